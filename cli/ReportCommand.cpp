#include "cli/ReportCommand.h"

#include <sstream>

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "cli/OutputFile.h"
#include "core/CsvText.h"
#include "core/ImageFields.h"
#include "core/SafeFile.h"

namespace velmora {
namespace {

constexpr const char* kUsage =
    "usage: velmora-cli report FILE.dat... -o OUT.csv [--force]\n"
    "Writes one row per file with every field's decoded value, as `show --json` gives it: numbers\n"
    "in decimal, level tables as their 16 levels, codes and texts as text, other bytes in hex.\n"
    "The first row names the fields; a name that several fields share is followed by @offset.\n";

}  // namespace

int ReportCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  int code = kExitUsage;
  const auto parsed =
      CliArguments::ParseOrUsage(args, {"-o"}, {"--help", "--force"}, kUsage, out, err, code);
  if (!parsed) return code;
  const auto output = parsed->Value("-o");
  if (parsed->positional().empty() || !output) {
    err << "report needs at least one file and -o OUT.csv\n" << kUsage;
    return kExitUsage;
  }
  std::vector<std::string> header{"file"};
  for (const ImageField& field : ImageFields::All())
    header.push_back(ImageFields::UniqueName(field));
  std::string csv = CsvText::Row(header);
  for (const std::string& file : parsed->positional()) {
    CalibrationImage image;
    if (!CliImage::LoadArgument(*parsed, file, image, err)) return kExitUsage;
    std::vector<std::string> cells{file};
    for (const ImageField& field : ImageFields::All()) {
      cells.push_back(ImageFields::Plain(ImageFields::Value(field, image)));
    }
    csv += CsvText::Row(cells);
  }
  if (!OutputFile::Save(*output, csv, err)) return kExitUsage;
  out << SafeFile::Shown(*output) << ": " << parsed->positional().size() << " files\n";
  return kExitOk;
}

}  // namespace velmora
