#include "cli/DiffCommand.h"

#include "cli/CliArguments.h"
#include "cli/CliImage.h"
#include "cli/ImageFields.h"

namespace velmora {
namespace {

constexpr const char* kUsage =
    "usage: velmora-cli diff A.dat B.dat [--all] [--force]\n"
    "Prints the fields that differ between two calibration files, with their byte offsets.\n"
    "A file that is not exactly 308 bytes is refused unless --force is given.\n"
    "Bytes 170-201 and 252-267 (fromRadioOnly) are never sent by a write: a read fills them\n"
    "from the radio, and radio 0x1FF0-0x1FFF, read into 252-267, is written from liveBlock.data.\n"
    "Their differences are listed apart and do not count unless --all is given.\n"
    "Exit status: 0 when every counted byte is equal, 1 when they differ, 2 on bad usage or\n"
    "unreadable files.\n";

constexpr const char* kRadioOnlyField = "fromRadioOnly";

bool Differs(CalibrationImage& a, CalibrationImage& b, std::size_t offset, std::size_t size) {
  for (std::size_t i = offset; i < offset + size; ++i) {
    if (a.At(i) != b.At(i)) return true;
  }
  return false;
}

// Level tables differ point by point, everything else field by field.
void PrintDifference(const ImageField& field, CalibrationImage& a, CalibrationImage& b,
                     std::ostream& out) {
  if (field.size == 16 && field.name.find("band") == 0) {
    for (std::size_t k = 0; k < 16; ++k) {
      const std::size_t o = field.offset + k;
      if (a.At(o) == b.At(o)) continue;
      out << "@" << o << " " << field.name << "[" << k << "]: " << int(a.At(o)) << " -> "
          << int(b.At(o)) << "\n";
    }
    return;
  }
  out << "@" << field.offset << "+" << field.size << " " << field.name << ": "
      << field.format(a, field.offset, field.size) << " -> "
      << field.format(b, field.offset, field.size) << "\n";
}

}  // namespace

int DiffCommand::Run(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  int code = kExitUsage;
  const auto parsed =
      CliArguments::ParseOrUsage(args, {}, {"--help", "--force", "--all"}, kUsage, out, err, code);
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
  // A write followed by a read always differs in the bytes the write never sends; those are the
  // radio's own and say nothing about whether the write arrived.
  const bool all = parsed->Has("--all");
  int differences = 0;
  std::vector<const ImageField*> radioOnly;
  for (const ImageField& field : ImageFields::All()) {
    if (!Differs(a, b, field.offset, field.size)) continue;
    if (!all && field.name == kRadioOnlyField) {
      radioOnly.push_back(&field);
      continue;
    }
    PrintDifference(field, a, b, out);
    ++differences;
  }
  if (differences == 0) out << "equal\n";
  if (!radioOnly.empty()) out << "not counted, never sent by a write (--all counts them):\n";
  for (const ImageField* field : radioOnly) PrintDifference(*field, a, b, out);
  return differences == 0 ? kExitOk : kExitDifferent;
}

}  // namespace velmora
