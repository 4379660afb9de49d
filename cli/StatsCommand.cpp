#include "cli/StatsCommand.h"

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "cli/JobRecorder.h"
#include "cli/OutputFile.h"
#include "core/SafeFile.h"
#include "plot/LotReport.h"
#include "records/LotQuery.h"

namespace velmora {
namespace {

constexpr const char* kUsage =
    "usage: velmora-cli stats [--lot L] [--since DATE] [--station S] -o lot.html|lot.csv|lot.json\n"
    "                         [--line | --records URL]\n"
    "A lot's alignments from the production records: per band, table and point the aligned\n"
    "level's median and MAD, the confirmed power's mean, sigma and Cpk against its window, live\n"
    "tunes; first-pass yield and seconds per radio; radios whose level lies more than 6 MADs from\n"
    "the lot's median at any point; and per station a CUSUM of each radio's level offset that\n"
    "names the radio a step (a changed cable or attenuator) starts at. Each radio counts once, at\n"
    "its latest alignment. --since takes a UTC date or time; --station host or host/bench.\n"
    "The bench's records by default; --line the line's database, --records URL any database.\n";

QString DatabaseUrl(const CliArguments& args, QString& problem) {
  if (const auto url = args.Value("--records")) return QString::fromStdString(*url);
  if (args.Has("--line")) {
    const QString line = JobRecorder::LineUrl(args);
    if (line.isEmpty()) problem = "no line database is set ([records] url)";
    return line;
  }
  return JobRecorder::BenchPath(&problem);
}

}  // namespace

int StatsCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  int code = kExitUsage;
  const auto parsed =
      CliArguments::ParseOrUsage(args, {"-o", "--lot", "--since", "--station", "--records"},
                                 {"--help", "--line"}, kUsage, out, err, code);
  if (!parsed) return code;
  const auto output = parsed->Value("-o");
  const auto format = output ? LotReport::FormatOf(*output) : std::nullopt;
  if (!format || !parsed->positional().empty()) {
    err << "stats needs -o ending in .html, .csv or .json and no other argument\n" << kUsage;
    return kExitUsage;
  }
  const RecordFilter filter{parsed->Value("--since").value_or(""), "",
                            parsed->Value("--lot").value_or(""),
                            parsed->Value("--station").value_or("")};
  QString problem;
  const QString url = DatabaseUrl(*parsed, problem);
  std::string error = url.isEmpty() ? "no database: " + problem.toStdString() : "";
  const auto store = url.isEmpty() ? nullptr : RecordStore::Open(url, error);
  const LotData lot = store ? LotQuery::Load(*store, filter, error) : LotData{};
  if (!error.empty()) {
    err << "records: " << error << "\n";
    return kExitTransferFailed;
  }
  const LotSummary summary = LotStatistics::Summarise(lot);
  const LotReport report(lot, summary, LotReport::Title(filter));
  const std::string text = report.Text(*format);
  if (!OutputFile::Save(*output, text, err)) return kExitUsage;
  out << SafeFile::Shown(*output) << ": " << report.Line() << "\n";
  return lot.radios.empty() ? kExitTransferFailed : kExitOk;
}

}  // namespace velmora
