#include "cli/ShowCommand.h"

#include <cstdio>

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "cli/ImageFields.h"

namespace velmora {
namespace {

constexpr const char* kUsage =
    "usage: velmora-cli show FILE.dat [--force]\n"
    "Prints every field of a calibration file: port, both bands' base, step and limits in MHz,\n"
    "the four 16-point level tables of each band, power-on texts, crystal and IF codes, region\n"
    "headers, live block and commands, busy. Each line gives the byte offset and size.\n"
    "A file that is not exactly 308 bytes is refused unless --force is given.\n";

}  // namespace

int ShowCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  int code = kExitUsage;
  const auto parsed =
      CliArguments::ParseOrUsage(args, {}, {"--help", "--force"}, kUsage, out, err, code);
  if (!parsed) return code;
  if (parsed->positional().size() != 1) {
    err << "show needs exactly one file\n" << kUsage;
    return kExitUsage;
  }
  CalibrationImage image;
  const auto size = parsed->Has("--force") ? CliImage::Size::Any : CliImage::Size::Exact;
  if (!CliImage::Load(parsed->positional()[0], image, size, err)) return kExitUsage;
  for (const ImageField& field : ImageFields::All()) {
    char where[24];
    std::snprintf(where, sizeof where, "@%3zu+%-2zu", field.offset, field.size);
    out << where << " " << field.name << ": " << field.format(image, field.offset, field.size)
        << "\n";
  }
  return kExitOk;
}

}  // namespace velmora
