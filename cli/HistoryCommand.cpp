#include "cli/HistoryCommand.h"

#include <QJsonArray>
#include <QJsonObject>

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "cli/FieldJson.h"
#include "cli/JobRecorder.h"
#include "core/CalibrationImage.h"
#include "core/ImageFields.h"

namespace velmora {
namespace {

constexpr const char* kUsage =
    "usage: velmora-cli history SERIAL [--json] [--line] [--records URL]\n"
    "Every job recorded for the radio with that serial, newest first: when, what, the outcome,\n"
    "where and by whom, the fields its image changed since the job before, and an alignment's\n"
    "summary. --line asks the line's database instead of the bench's. Exit 1 when none.\n";

void Fill(CalibrationImage& image, const std::vector<std::uint8_t>& bytes) {
  image.LoadDefaults();
  image.AssignBytes(bytes);
}

// The image a job started from: its own before image, else what the job before it left.
const std::vector<std::uint8_t>& Baseline(const std::vector<ProductionRecord>& records,
                                          std::size_t i) {
  if (!records[i].imageBefore.empty() || i + 1 == records.size()) return records[i].imageBefore;
  return records[i + 1].imageAfter;
}

QJsonArray Changes(const std::vector<std::uint8_t>& before, const std::vector<std::uint8_t>& after) {
  QJsonArray changes;
  if (before.empty() || after.empty()) return changes;
  CalibrationImage a, b;
  Fill(a, before);
  Fill(b, after);
  for (const ImageField& field : ImageFields::All()) {
    if (!ImageFields::Differs(field, a, b)) continue;
    changes.append(QJsonObject{{"field", QString::fromStdString(ImageFields::UniqueName(field))},
                               {"before", QString::fromStdString(ImageFields::Text(field, a))},
                               {"after", QString::fromStdString(ImageFields::Text(field, b))}});
  }
  return changes;
}

QJsonObject Alignment(const ProductionRecord& r) {
  int passed = 0;
  for (const auto& p : r.points) passed += p.verdict == "aligned" ? 1 : 0;
  return {{"plan", QString::fromStdString(r.planName)},
          {"planSha256", QString::fromStdString(r.planSha256)},
          {"meter", QString::fromStdString(r.meterIdentification)},
          {"points", int(r.points.size())},
          {"passed", passed}};
}

QJsonObject Entry(const std::vector<ProductionRecord>& records, std::size_t i) {
  const ProductionRecord& r = records[i];
  QJsonObject entry{{"id", QString::fromStdString(r.id)},
                    {"kind", QString::fromStdString(r.kind)},
                    {"startedUtc", QString::fromStdString(r.startedUtc)},
                    {"endedUtc", QString::fromStdString(r.endedUtc)},
                    {"outcome", QString::fromStdString(r.outcome)},
                    {"succeeded", r.succeeded},
                    {"station", QString::fromStdString(r.Station())},
                    {"operator", QString::fromStdString(r.operatorName)},
                    {"port", QString::fromStdString(r.port)},
                    {"lot", QString::fromStdString(r.lot)},
                    {"changes", Changes(Baseline(records, i), r.imageAfter)}};
  if (r.kind == "align") entry.insert("alignment", Alignment(r));
  return entry;
}

void Print(const QJsonObject& e, std::ostream& out) {
  auto text = [&](const char* key) { return e[key].toString().toStdString(); };
  out << text("startedUtc") << "  " << text("kind") << "  " << text("outcome") << "  "
      << text("port") << "  " << text("station") << "  " << text("operator");
  if (!text("lot").empty()) out << "  lot " << text("lot");
  out << "\n";
  if (e.contains("alignment")) {
    const QJsonObject a = e["alignment"].toObject();
    out << "  plan " << a["plan"].toString().toStdString() << ": " << a["passed"].toInt() << "/"
        << a["points"].toInt() << " points passed\n";
  }
  for (const auto& change : e["changes"].toArray()) {
    const QJsonObject c = change.toObject();
    out << "  " << c["field"].toString().toStdString() << ": "
        << c["before"].toString().toStdString() << " -> " << c["after"].toString().toStdString()
        << "\n";
  }
}

}  // namespace

int HistoryCommand::Run(const std::vector<std::string>& args, std::ostream& out,
                        std::ostream& err) {
  int code = kExitUsage;
  const auto parsed = CliArguments::ParseOrUsage(args, {"--records"}, {"--help", "--json", "--line"},
                                                 kUsage, out, err, code);
  if (!parsed) return code;
  if (parsed->positional().size() != 1) {
    err << "history needs exactly one serial\n" << kUsage;
    return kExitUsage;
  }
  QString problem;
  const QString url =
      parsed->Has("--line") ? JobRecorder::LineUrl(*parsed) : JobRecorder::BenchPath(&problem);
  std::string error = url.isEmpty() ? "no database: " + problem.toStdString() : "";
  const auto store = url.isEmpty() ? nullptr : RecordStore::Open(url, error);
  const auto records = store ? store->History(parsed->positional()[0], error)
                             : std::vector<ProductionRecord>{};
  if (!error.empty()) {
    err << "records: " << error << "\n";
    return kExitTransferFailed;
  }
  QJsonArray entries;
  for (std::size_t i = 0; i < records.size(); ++i) entries.append(Entry(records, i));
  if (parsed->Has("--json")) {
    FieldJson::Print(QJsonObject{{"serial", QString::fromStdString(parsed->positional()[0])},
                                 {"jobs", entries}},
                     out);
  } else {
    for (const auto& entry : entries) Print(entry.toObject(), out);
    if (entries.isEmpty()) out << "no record of " << parsed->positional()[0] << "\n";
  }
  return entries.isEmpty() ? kExitTransferFailed : kExitOk;
}

}  // namespace velmora
