#include "cli/RecordsCommand.h"

#include <QJsonArray>
#include <QJsonDocument>

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "cli/JobRecorder.h"
#include "cli/OutputFile.h"
#include "core/CsvText.h"
#include "records/RecordDigest.h"
#include "records/RecordForwarder.h"

namespace velmora {
namespace {

constexpr const char* kUsage =
    "usage: velmora-cli records status|sync|verify [--line] [--records URL]\n"
    "       velmora-cli records export [--since DATE] [--until DATE] [--lot L] [--station S]\n"
    "                                  [--line] -o OUT.csv|OUT.json\n"
    "The bench keeps every job's record in its SQLite file in the data folder; with a line's\n"
    "database (--records URL or [records] url in the settings) each record is forwarded there\n"
    "exactly once. status: how many records the bench holds and how many wait for the line.\n"
    "sync: forwards every waiting record now (exit 1 when some still wait). verify: walks each\n"
    "station's chain of hashes and names the first record that does not match (exit 1).\n"
    "export: the records started in [--since, --until) (UTC dates or times), of one lot or\n"
    "station, as CSV or JSON by OUT's extension. --line reads the line's database instead of\n"
    "the bench's.\n";

// The time sync may take: long enough for a day's queue, short enough to notice a dead line.
constexpr std::chrono::milliseconds kSyncLimit{std::chrono::minutes(5)};

std::unique_ptr<RecordStore> OpenStore(const CliArguments& args, bool line, std::ostream& err) {
  QString problem;
  const QString url = line ? JobRecorder::LineUrl(args) : JobRecorder::BenchPath(&problem);
  if (url.isEmpty()) {
    err << (line ? "no line database: give --records URL or set [records] url"
                 : problem.toStdString())
        << "\n";
    return nullptr;
  }
  std::string error;
  auto store = RecordStore::Open(url, error);
  if (!store) err << "records: " << error << "\n";
  return store;
}

int Status(const CliArguments& args, std::ostream& out, std::ostream& err) {
  auto bench = OpenStore(args, false, err);
  if (!bench) return kExitTransferFailed;
  std::string error;
  const auto waiting = bench->UnforwardedCount(error);
  if (!waiting) {
    err << "records: " << error << "\n";
    return kExitTransferFailed;
  }
  const QString line = JobRecorder::LineUrl(args);
  out << "bench: " << JobRecorder::BenchPath().toStdString() << "\n";
  out << "line: " << (line.isEmpty() ? std::string("(none)") : line.toStdString()) << "\n";
  out << "waiting: " << (line.isEmpty() ? 0 : *waiting) << "\n";
  return kExitOk;
}

int Sync(const CliArguments& args, std::ostream& out, std::ostream& err) {
  auto bench = OpenStore(args, false, err);
  auto line = bench ? OpenStore(args, true, err) : nullptr;
  if (!line) return kExitTransferFailed;
  const auto result = RecordForwarder::Forward(*bench, *line, kSyncLimit);
  out << "forwarded: " << result.forwarded << "\nwaiting: " << result.waiting << "\n";
  if (!result.error.empty()) err << "records: " << result.error << "\n";
  return result.waiting == 0 ? kExitOk : kExitTransferFailed;
}

int Verify(const CliArguments& args, std::ostream& out, std::ostream& err) {
  auto store = OpenStore(args, args.Has("--line"), err);
  if (!store) return kExitTransferFailed;
  std::string error;
  const ChainCheck check = store->Verify(error);
  if (!error.empty()) {
    err << "records: " << error << "\n";
    return kExitTransferFailed;
  }
  if (check.firstBadId.empty()) {
    out << check.checked << " records verified\n";
    return kExitOk;
  }
  out << "record " << check.firstBadId << ": " << check.reason << " (after " << check.checked - 1
      << " good records)\n";
  return kExitTransferFailed;
}

QJsonObject Exported(const ProductionRecord& r) {
  QJsonObject json = RecordDigest::Content(r);
  json.insert("previousHash", QString::fromStdString(r.previousHash));
  json.insert("contentHash", QString::fromStdString(r.contentHash));
  return json;
}

std::string Csv(const std::vector<ProductionRecord>& records) {
  const std::vector<std::string> header = {
      "id", "kind", "startedUtc", "endedUtc", "outcome", "succeeded", "station", "operator",
      "version", "port", "usbIdentity", "radioIdentification", "serial", "lot", "backupPath",
      "planName", "planSha256", "meterIdentification", "meterUrl", "points", "imageBefore",
      "imageAfter", "contentHash"};
  std::string csv = CsvText::Row(header);
  for (const auto& r : records) {
    const QJsonObject c = RecordDigest::Content(r);
    auto text = [&](const char* key) { return c[key].toString().toStdString(); };
    csv += CsvText::Row({r.id, r.kind, r.startedUtc, r.endedUtc, r.outcome,
                         r.succeeded ? "1" : "0", r.Station(), r.operatorName, r.version, r.port,
                         r.usbIdentity, r.radioIdentification, r.serial, r.lot, r.backupPath,
                         r.planName, r.planSha256, r.meterIdentification, r.meterUrl,
                         std::to_string(r.points.size()), text("imageBefore"), text("imageAfter"),
                         r.contentHash});
  }
  return csv;
}

int Export(const CliArguments& args, std::ostream& err) {
  const auto output = args.Value("-o");
  if (!output || !(output->ends_with(".csv") || output->ends_with(".json"))) {
    err << "records export needs -o OUT.csv or -o OUT.json\n";
    return kExitUsage;
  }
  auto store = OpenStore(args, args.Has("--line"), err);
  if (!store) return kExitTransferFailed;
  const RecordFilter filter{args.Value("--since").value_or(""), args.Value("--until").value_or(""),
                            args.Value("--lot").value_or(""), args.Value("--station").value_or("")};
  std::string error;
  const auto records = store->Select(filter, error);
  if (!error.empty()) {
    err << "records: " << error << "\n";
    return kExitTransferFailed;
  }
  std::string text;
  if (output->ends_with(".csv")) {
    text = Csv(records);
  } else {
    QJsonArray array;
    for (const auto& r : records) array.append(Exported(r));
    text = QJsonDocument(array).toJson().toStdString();
  }
  return OutputFile::Save(*output, text, err) ? kExitOk : kExitUsage;
}

}  // namespace

int RecordsCommand::Run(const std::vector<std::string>& args, std::ostream& out,
                        std::ostream& err) {
  int code = kExitUsage;
  const auto parsed = CliArguments::ParseOrUsage(
      args, {"--records", "--since", "--until", "--lot", "--station", "-o"}, {"--help", "--line"},
      kUsage, out, err, code);
  if (!parsed) return code;
  const auto& words = parsed->positional();
  const std::string word = words.size() == 1 ? words[0] : "";
  if (word == "status") return Status(*parsed, out, err);
  if (word == "sync") return Sync(*parsed, out, err);
  if (word == "verify") return Verify(*parsed, out, err);
  if (word == "export") return Export(*parsed, err);
  err << "records needs one of status, sync, verify, export\n" << kUsage;
  return kExitUsage;
}

}  // namespace velmora
