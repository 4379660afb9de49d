#include "cli/DiffCommand.h"

#include <QJsonArray>

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "cli/FieldJson.h"
#include "core/ImageFields.h"

namespace velmora {
namespace {

constexpr const char* kUsage =
    "usage: velmora-cli diff A.dat B.dat [--all] [--json] [--force]\n"
    "Prints the fields that differ between two calibration files, with their byte offsets.\n"
    "--json prints one JSON object instead, listing each differing field with its raw bytes\n"
    "and decoded value in A and in B.\n"
    "A file that is not exactly 308 bytes is refused unless --force is given.\n"
    "Bytes 170-201 and 252-267 (fromRadioOnly) are never sent by a write: a read fills them\n"
    "from the radio, and radio 0x1FF0-0x1FFF, read into 252-267, is written from liveBlock.data.\n"
    "Their differences are listed apart and do not count unless --all is given.\n"
    "Exit status: 0 when every counted byte is equal, 1 when they differ, 2 on bad usage or\n"
    "unreadable files.\n";

constexpr const char* kRadioOnlyField = "fromRadioOnly";

// Level tables differ point by point, everything else field by field.
void PrintDifference(const ImageField& field, const CalibrationImage& a, const CalibrationImage& b,
                     std::ostream& out) {
  if (field.encoding == FieldEncoding::Levels) {
    for (std::size_t k = 0; k < field.size; ++k) {
      const std::size_t o = field.offset + k;
      if (a.At(o) == b.At(o)) continue;
      out << "@" << o << " " << field.name << "[" << k << "]: " << int(a.At(o)) << " -> "
          << int(b.At(o)) << "\n";
    }
    return;
  }
  out << "@" << field.offset << "+" << field.size << " " << field.name << ": "
      << ImageFields::Text(field, a) << " -> " << ImageFields::Text(field, b) << "\n";
}

QJsonObject JsonDifference(const ImageField& field, const CalibrationImage& a,
                           const CalibrationImage& b) {
  QJsonObject entry = FieldJson::Place(field);
  entry.insert("a", FieldJson::Content(field, a));
  entry.insert("b", FieldJson::Content(field, b));
  return entry;
}

}  // namespace

int DiffCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  int code = kExitUsage;
  const auto parsed = CliArguments::ParseOrUsage(args, {}, {"--help", "--force", "--all", "--json"},
                                                 kUsage, out, err, code);
  if (!parsed) return code;
  if (parsed->positional().size() != 2) {
    err << "diff needs exactly two files\n" << kUsage;
    return kExitUsage;
  }
  CalibrationImage a, b;
  if (!CliImage::LoadArgument(*parsed, parsed->positional()[0], a, err) ||
      !CliImage::LoadArgument(*parsed, parsed->positional()[1], b, err)) {
    return kExitUsage;
  }
  // A write followed by a read always differs in the bytes the write never sends; those are the
  // radio's own and say nothing about whether the write arrived.
  const bool all = parsed->Has("--all");
  const bool json = parsed->Has("--json");
  QJsonArray differences, notCounted;
  std::vector<const ImageField*> radioOnly;
  for (const ImageField& field : ImageFields::All()) {
    if (!ImageFields::Differs(field, a, b)) continue;
    if (!all && field.name == kRadioOnlyField) {
      radioOnly.push_back(&field);
      notCounted.append(JsonDifference(field, a, b));
      continue;
    }
    differences.append(JsonDifference(field, a, b));
    if (!json) PrintDifference(field, a, b, out);
  }
  if (json) {
    FieldJson::Print({{"a", QString::fromStdString(parsed->positional()[0])},
                      {"b", QString::fromStdString(parsed->positional()[1])},
                      {"equal", differences.isEmpty()},
                      {"fields", differences},
                      {"notCounted", notCounted}},
                     out);
    return differences.isEmpty() ? kExitOk : kExitDifferent;
  }
  if (differences.isEmpty()) out << "equal\n";
  if (!radioOnly.empty()) out << "not counted, never sent by a write (--all counts them):\n";
  for (const ImageField* field : radioOnly) PrintDifference(*field, a, b, out);
  return differences.isEmpty() ? kExitOk : kExitDifferent;
}

}  // namespace velmora
