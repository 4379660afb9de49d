#include "cli/ShowCommand.h"

#include <QJsonArray>
#include <cstdio>

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "cli/FieldJson.h"
#include "core/ImageFields.h"

namespace velmora {
namespace {

constexpr const char* kUsage =
    "usage: velmora-cli show FILE.dat [--json] [--force]\n"
    "Prints every field of a calibration file: port, both bands' base, step and limits in MHz,\n"
    "the four 16-point level tables of each band, power-on texts, crystal and IF codes, region\n"
    "headers, live block and commands, busy. Each line gives the byte offset and size.\n"
    "--json prints one JSON object instead: per field its name, offset, size, raw bytes (hex)\n"
    "and decoded value; level points carry their frequency in MHz.\n"
    "A file that is not exactly 308 bytes is refused unless --force is given.\n";

void PrintJson(const std::string& file, const CalibrationImage& image, std::ostream& out) {
  QJsonArray fields;
  for (const ImageField& field : ImageFields::All()) {
    fields.append(FieldJson::Field(field, image));
  }
  FieldJson::Print({{"file", QString::fromStdString(file)}, {"fields", fields}}, out);
}

}  // namespace

int ShowCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  int code = kExitUsage;
  const auto parsed =
      CliArguments::ParseOrUsage(args, {}, {"--help", "--force", "--json"}, kUsage, out, err, code);
  if (!parsed) return code;
  if (parsed->positional().size() != 1) {
    err << "show needs exactly one file\n" << kUsage;
    return kExitUsage;
  }
  CalibrationImage image;
  if (!CliImage::LoadArgument(*parsed, parsed->positional()[0], image, err)) return kExitUsage;
  if (parsed->Has("--json")) {
    PrintJson(parsed->positional()[0], image, out);
    return kExitOk;
  }
  for (const ImageField& field : ImageFields::All()) {
    char where[24];
    std::snprintf(where, sizeof where, "@%3zu+%-2zu", field.offset, field.size);
    out << where << " " << field.name << ": " << ImageFields::Text(field, image) << "\n";
  }
  return kExitOk;
}

}  // namespace velmora
