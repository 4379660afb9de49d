#include "cli/MeterCommand.h"

#include <cmath>
#include <cstdio>

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "instrument/InstrumentLinks.h"
#include "instrument/InstrumentSettings.h"
#include "instrument/InstrumentText.h"
#include "instrument/MeterCheck.h"
#include "instrument/PowerMeter.h"
#include "instrument/SettingsFile.h"

namespace velmora {
namespace {

constexpr int kMostAveraging = 1024;
constexpr double kHertzPerMHz = 1e6;

constexpr const char* kUsage =
    "usage: velmora-cli meter [--meter URL] [--dialect NAME] [--offset DB] [--averaging N]\n"
    "                         [--read [--freq MHZ] | --zero] [--calibration-due DATE] [--save]\n"
    "       velmora-cli meter --dialects\n"
    "Talks to the bench RF power meter: prints the URL, dialect and offset it uses, then the\n"
    "meter's identification; --read prints one reading in watts and dBm with the offset it\n"
    "includes (--freq sets the sensor's frequency correction first); --zero zeroes the sensor\n"
    "(nothing may be connected to it). Before a reading or zeroing the meter is reset and set up\n"
    "(watts, averaging N, attenuator offset DB) and its error queue must be empty.\n"
    "URL: tcp://HOST:PORT, serial:///dev/ttyUSB0?baud=9600, usbtmc:///dev/usbtmc0 or sim:.\n"
    "Without --meter, --dialect or --offset the stored settings (the window's, in\n"
    "~/.config/Velmora/velmora.conf) are used; --save stores the given ones once the meter has\n"
    "identified itself, and changes nothing when it has not. --dialects lists the command\n"
    "dialects and where each comes from: dialects.json in ~/.config/Velmora/, then in\n"
    "/etc/velmora/, then the built-in ones. --calibration-due YYYY-MM-DD is the day the\n"
    "meter's calibration runs out, kept with its settings and recorded with every alignment:\n"
    "station refuses a meter past it and align warns.\n"
    "Exit status: 0 success, 1 the meter failed (or was not saved), 2 bad usage.\n";

struct Request {
  InstrumentSettings settings;
  MeterSetup setup;
  std::optional<double> frequencyMHz;
  bool offsetGiven = false;
};

std::optional<double> Number(const CliArguments& args, const char* name, std::string& error) {
  const auto text = args.Value(name);
  if (!text) return std::nullopt;
  bool ok = false;
  const double value = QString::fromStdString(*text).toDouble(&ok);
  if (!ok) error = std::string(name) + " must be a number";
  return value;
}

std::string Checked(const Request& r, const CliArguments& args) {
  if (r.setup.averaging < 1 || r.setup.averaging > kMostAveraging) {
    return "--averaging must be 1.." + std::to_string(kMostAveraging);
  }
  if (r.frequencyMHz && !(*r.frequencyMHz > 0 && std::isfinite(*r.frequencyMHz))) {
    return "--freq must be a frequency in MHz";
  }
  if (args.Has("--read") && args.Has("--zero")) return "give --read or --zero, not both";
  if (args.Has("--freq") && !args.Has("--read")) return "--freq goes with --read";
  if (r.settings.meterUrl.isEmpty()) return "no meter: give --meter URL (--save keeps it)";
  const QString offset = r.settings.Fault();
  if (!offset.isEmpty()) {
    return (r.offsetGiven ? "--offset: " : "the stored settings: ") + offset.toStdString();
  }
  return {};
}

// The settings and setup asked for; error set when one is bad.
Request Gather(const CliArguments& args, std::string& error) {
  Request r{InstrumentSettings::Load(*InstrumentSettings::ProgramSettings()), {}, {}, false};
  if (const auto url = args.Value("--meter")) r.settings.meterUrl = QString::fromStdString(*url);
  if (const auto d = args.Value("--dialect")) r.settings.meterDialect = QString::fromStdString(*d);
  if (const auto offset = Number(args, "--offset", error)) r.settings.attenuatorDb = *offset;
  r.offsetGiven = args.Has("--offset");
  r.setup.offsetDb = r.settings.attenuatorDb;
  r.setup.averaging = args.Int("--averaging", error).value_or(r.setup.averaging);
  r.frequencyMHz = Number(args, "--freq", error);
  if (const auto due = args.Value("--calibration-due")) {
    r.settings.calibrationDue = QDate::fromString(QString::fromStdString(*due), Qt::ISODate);
    if (!r.settings.calibrationDue.isValid()) error = "--calibration-due takes a date: YYYY-MM-DD";
  }
  if (error.empty()) error = Checked(r, args);
  return r;
}

std::string Offset(double db) { return QString::number(db, 'g', 6).toStdString() + " dB"; }

// What the command uses, so that no stored setting acts unseen.
void Describe(const Request& r, const MeterDialect& dialect, std::ostream& out) {
  out << "meter " << InstrumentText::Shown(r.settings.meterUrl).toStdString() << ", dialect "
      << InstrumentText::Shown(dialect.name).toStdString() << " ("
      << InstrumentText::Shown(dialect.source).toStdString() << "), offset "
      << Offset(r.settings.attenuatorDb) << (r.offsetGiven ? "" : " (stored)") << "\n";
}

int Fail(const QString& error, std::ostream& err) {
  err << "velmora-cli meter: " << error.toStdString() << "\n";
  return kExitTransferFailed;
}

// The same check the window's meter settings make; --save keeps only a meter that passed it.
int Identify(const InstrumentSettings& settings, bool save, std::ostream& out, std::ostream& err) {
  const MeterCheck check = MeterCheck::Identify(settings);
  if (!check.ok()) return Fail(check.error + (save ? " (nothing saved)" : ""), err);
  out << check.identification.toStdString() << "\n";
  if (!save) return kExitOk;
  auto stored = InstrumentSettings::ProgramSettings();
  settings.Save(*stored);
  stored->sync();
  if (stored->status() != QSettings::NoError) {
    return Fail(QStringLiteral("the settings could not be written to ") +
                    InstrumentText::Shown(SettingsFile::Path()),
                err);
  }
  out << "saved to " << InstrumentText::Shown(SettingsFile::Path()).toStdString() << "\n";
  return kExitOk;
}

int Talk(const Request& r, ScpiChannel& channel, const MeterDialect& dialect, bool zero,
         std::ostream& out, std::ostream& err) {
  PowerMeter meter(channel, dialect);
  if (!meter.Setup(r.setup)) return Fail(meter.error(), err);
  if (zero) {
    if (!meter.Zero()) return Fail(meter.error(), err);
    out << "zeroed\n";
    return kExitOk;
  }
  if (r.frequencyMHz && !meter.SetFrequency(*r.frequencyMHz * kHertzPerMHz)) {
    return Fail(meter.error(), err);
  }
  const auto watts = meter.ReadWatts();
  if (!watts) return Fail(meter.error(), err);
  char line[64];
  std::snprintf(line, sizeof line, "%.6g W  %.3f dBm", *watts, PowerMeter::Dbm(*watts));
  out << line << "  (offset " << Offset(r.setup.offsetDb) << " included)\n";
  return kExitOk;
}

int ListDialects(std::ostream& out, std::ostream& err) {
  QString error;
  for (const MeterDialect& dialect : MeterDialect::All(error)) {
    out << InstrumentText::Shown(dialect.name).toStdString() << "  "
        << InstrumentText::Shown(dialect.description).toStdString() << "  ("
        << InstrumentText::Shown(dialect.source).toStdString() << ")\n";
  }
  if (error.isEmpty()) return kExitOk;
  err << "velmora-cli meter: " << error.toStdString() << "\n";
  return kExitUsage;
}

}  // namespace

int MeterCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  int code = kExitUsage;
  const auto parsed = CliArguments::ParseOrUsage(
      args, {"--meter", "--dialect", "--offset", "--averaging", "--freq", "--calibration-due"},
      {"--help", "--read", "--zero", "--save", "--dialects"}, kUsage, out, err, code);
  if (!parsed) return code;
  if (const QString fault = SettingsFile::Fault(); !fault.isEmpty()) {
    err << "velmora-cli meter: " << fault.toStdString() << "\n";
    return kExitUsage;
  }
  if (parsed->Has("--dialects")) return ListDialects(out, err);
  std::string error;
  const Request request = Gather(*parsed, error);
  QString qerror;
  const auto dialect =
      error.empty() ? MeterDialect::Find(request.settings.meterDialect, qerror) : std::nullopt;
  auto link = dialect ? InstrumentLinks::Make(request.settings.meterUrl, qerror) : nullptr;
  // Both lookups name what they refuse already escaped.
  if (error.empty() && !qerror.isEmpty()) error = qerror.toStdString();
  if (!error.empty() || !parsed->positional().empty()) {
    err << (error.empty() ? "meter takes no file argument" : error) << "\n" << kUsage;
    return kExitUsage;
  }
  Describe(request, *dialect, out);
  const bool talk = parsed->Has("--read") || parsed->Has("--zero");
  if (!talk || parsed->Has("--save")) {
    const int identified = Identify(request.settings, parsed->Has("--save"), out, err);
    if (!talk || identified != kExitOk) return identified;
  }
  ScpiChannel channel(std::move(link), request.settings.meterUrl);
  if (!channel.Open()) return Fail(channel.error(), err);
  return Talk(request, channel, *dialect, parsed->Has("--zero"), out, err);
}

}  // namespace velmora
