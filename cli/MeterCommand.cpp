#include "cli/MeterCommand.h"

#include <cstdio>

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "instrument/InstrumentLinks.h"
#include "instrument/InstrumentSettings.h"
#include "instrument/MeterCheck.h"
#include "instrument/PowerMeter.h"

namespace velmora {
namespace {

constexpr int kMostAveraging = 1024;
constexpr double kHertzPerMHz = 1e6;

constexpr const char* kUsage =
    "usage: velmora-cli meter [--meter URL] [--dialect NAME] [--offset DB] [--averaging N]\n"
    "                         [--read [--freq MHZ] | --zero] [--calibration-due DATE] [--save]\n"
    "       velmora-cli meter --dialects\n"
    "Talks to the bench RF power meter: prints its identification; --read prints one reading\n"
    "in watts and dBm (--freq sets the sensor's frequency correction first); --zero zeroes the\n"
    "sensor (nothing may be connected to it). Before a reading or zeroing the meter is reset\n"
    "and set up (watts, averaging N, attenuator offset DB) and its error queue must be empty.\n"
    "URL: tcp://HOST:PORT, serial:///dev/ttyUSB0?baud=9600, usbtmc:///dev/usbtmc0 or sim:.\n"
    "Without --meter, --dialect or --offset the stored settings (the window's) are used;\n"
    "--save stores the given ones. --calibration-due YYYY-MM-DD is the day the meter's\n"
    "calibration runs out, kept with its settings and recorded with every alignment: station\n"
    "refuses a meter past it and align warns. --dialects lists the command dialects this\n"
    "program knows.\n"
    "Exit status: 0 success, 1 the meter failed, 2 bad usage.\n";

struct Request {
  InstrumentSettings settings;
  MeterSetup setup;
  std::optional<double> frequencyMHz;
};

std::optional<double> Number(const CliArguments& args, const char* name, std::string& error) {
  const auto text = args.Value(name);
  if (!text) return std::nullopt;
  bool ok = false;
  const double value = QString::fromStdString(*text).toDouble(&ok);
  if (!ok) error = std::string(name) + " must be a number";
  return value;
}

// The settings and setup asked for; error set when one is bad.
Request Gather(const CliArguments& args, std::string& error) {
  Request r{InstrumentSettings::Load(*InstrumentSettings::ProgramSettings()), {}, {}};
  if (const auto url = args.Value("--meter")) r.settings.meterUrl = QString::fromStdString(*url);
  if (const auto d = args.Value("--dialect")) r.settings.meterDialect = QString::fromStdString(*d);
  if (const auto offset = Number(args, "--offset", error)) r.settings.attenuatorDb = *offset;
  r.setup.offsetDb = r.settings.attenuatorDb;
  r.setup.averaging = args.Int("--averaging", error).value_or(r.setup.averaging);
  r.frequencyMHz = Number(args, "--freq", error);
  if (const auto due = args.Value("--calibration-due")) {
    r.settings.calibrationDue = QDate::fromString(QString::fromStdString(*due), Qt::ISODate);
    if (!r.settings.calibrationDue.isValid()) error = "--calibration-due takes a date: YYYY-MM-DD";
  }
  if (!error.empty()) return r;
  if (r.setup.averaging < 1 || r.setup.averaging > kMostAveraging) {
    error = "--averaging must be 1.." + std::to_string(kMostAveraging);
  } else if (r.frequencyMHz && *r.frequencyMHz <= 0) {
    error = "--freq must be a frequency in MHz";
  } else if (args.Has("--read") && args.Has("--zero")) {
    error = "give --read or --zero, not both";
  } else if (args.Has("--freq") && !args.Has("--read")) {
    error = "--freq goes with --read";
  } else if (r.settings.meterUrl.isEmpty()) {
    error = "no meter: give --meter URL (--save keeps it)";
  }
  return r;
}

int Fail(const PowerMeter& meter, std::ostream& err) {
  err << "velmora-cli meter: " << meter.error().toStdString() << "\n";
  return kExitTransferFailed;
}

// The same check the window's meter settings make.
int Identify(const InstrumentSettings& settings, std::ostream& out, std::ostream& err) {
  const MeterCheck check = MeterCheck::Identify(settings);
  if (!check.ok()) {
    err << "velmora-cli meter: " << check.error.toStdString() << "\n";
    return kExitTransferFailed;
  }
  out << check.identification.toStdString() << "\n";
  return kExitOk;
}

int Talk(const Request& r, ScpiChannel& channel, const MeterDialect& dialect, bool zero,
         std::ostream& out, std::ostream& err) {
  PowerMeter meter(channel, dialect);
  if (!meter.setup(r.setup)) return Fail(meter, err);
  if (zero) {
    if (!meter.zero()) return Fail(meter, err);
    out << "zeroed\n";
    return kExitOk;
  }
  if (r.frequencyMHz && !meter.setFrequency(*r.frequencyMHz * kHertzPerMHz)) {
    return Fail(meter, err);
  }
  const auto watts = meter.readWatts();
  if (!watts) return Fail(meter, err);
  char line[64];
  std::snprintf(line, sizeof line, "%.6g W  %.3f dBm\n", *watts, PowerMeter::Dbm(*watts));
  out << line;
  return kExitOk;
}

}  // namespace

int MeterCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  int code = kExitUsage;
  const auto parsed = CliArguments::ParseOrUsage(
      args, {"--meter", "--dialect", "--offset", "--averaging", "--freq", "--calibration-due"},
      {"--help", "--read", "--zero", "--save", "--dialects"}, kUsage, out, err, code);
  if (!parsed) return code;
  if (parsed->Has("--dialects")) {
    QString error;
    for (const QString& name : MeterDialect::Names()) {
      out << name.toStdString() << "  "
          << MeterDialect::Find(name, error)->description.toStdString() << "\n";
    }
    return kExitOk;
  }
  std::string error;
  const Request request = Gather(*parsed, error);
  QString qerror;
  const auto dialect =
      error.empty() ? MeterDialect::Find(request.settings.meterDialect, qerror) : std::nullopt;
  auto link = dialect ? InstrumentLinks::Make(request.settings.meterUrl, qerror) : nullptr;
  if (error.empty() && !qerror.isEmpty()) error = qerror.toStdString();
  if (!error.empty() || !parsed->positional().empty()) {
    err << (error.empty() ? "meter takes no file argument" : error) << "\n" << kUsage;
    return kExitUsage;
  }
  if (parsed->Has("--save")) request.settings.Save(*InstrumentSettings::ProgramSettings());
  if (!parsed->Has("--read") && !parsed->Has("--zero")) return Identify(request.settings, out, err);
  ScpiChannel channel(std::move(link), request.settings.meterUrl);
  if (!channel.open()) {
    err << "velmora-cli meter: " << channel.error().toStdString() << "\n";
    return kExitTransferFailed;
  }
  return Talk(request, channel, *dialect, parsed->Has("--zero"), out, err);
}

}  // namespace velmora
