#include "cli/OutputFile.h"

#include "core/SafeFile.h"

namespace velmora {

bool OutputFile::Save(const std::string& path, std::string_view bytes, std::ostream& err) {
  const SafeFile::Result saved = SafeFile::Write(path, bytes);
  if (saved.ok()) return true;
  err << SafeFile::Shown(path) << ": " << saved.Text()
      << (saved.refusal == SafeFile::Refusal::NotRegular ? ", not a file to write" : "")
      << "; nothing written\n";
  return false;
}

}  // namespace velmora
