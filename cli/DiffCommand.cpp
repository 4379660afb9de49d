#include "cli/DiffCommand.h"

#include <QJsonArray>

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "cli/FieldJson.h"
#include "core/ImageFields.h"

namespace velmora {
namespace {

constexpr const char* kUsage =
    "usage: velmora-cli diff A.dat B.dat [--json] [--force]\n"
    "Prints the fields that differ between two calibration files, with their byte offsets.\n"
    "--json prints one JSON object instead, listing each differing field with its raw bytes\n"
    "and decoded value in A and in B.\n"
    "A file that is not exactly 308 bytes is refused unless --force is given.\n"
    "Exit status: 0 when every byte is equal, 1 when they differ, 2 on bad usage or unreadable "
    "files.\n";

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
  const auto parsed =
      CliArguments::ParseOrUsage(args, {}, {"--help", "--force", "--json"}, kUsage, out, err, code);
  if (!parsed) return code;
  if (parsed->positional().size() != 2) {
    err << "diff needs exactly two files\n" << kUsage;
    return kExitUsage;
  }
  const auto size = parsed->Has("--force") ? CliImage::Size::Any : CliImage::Size::Exact;
  CalibrationImage a, b;
  if (!CliImage::Load(parsed->positional()[0], a, size, err) ||
      !CliImage::Load(parsed->positional()[1], b, size, err)) {
    return kExitUsage;
  }
  const bool json = parsed->Has("--json");
  QJsonArray differences;
  for (const ImageField& field : ImageFields::All()) {
    if (!ImageFields::Differs(field, a, b)) continue;
    differences.append(JsonDifference(field, a, b));
    if (!json) PrintDifference(field, a, b, out);
  }
  if (json) {
    FieldJson::Print({{"a", QString::fromStdString(parsed->positional()[0])},
                      {"b", QString::fromStdString(parsed->positional()[1])},
                      {"equal", differences.isEmpty()},
                      {"fields", differences}},
                     out);
  } else if (differences.isEmpty()) {
    out << "equal\n";
  }
  return differences.isEmpty() ? kExitOk : kExitDifferent;
}

}  // namespace velmora
