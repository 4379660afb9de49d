#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>

#include "cli/WriteAftermath.h"
#include "core/SafeFile.h"

namespace velmora {
namespace {

// What bash makes of a quoted word: the text printf receives.
std::string ThroughShell(const std::string& word) {
  const auto script = std::filesystem::temp_directory_path() /
                      ("velmora-quote-" + std::to_string(::getpid()) + ".sh");
  std::ofstream(script) << "printf %s " << word << "\n";
  std::string text;
  if (FILE* shell = ::popen(("bash " + script.string()).c_str(), "r")) {
    char buffer[256];
    for (std::size_t n; (n = std::fread(buffer, 1, sizeof buffer, shell)) > 0;)
      text.append(buffer, n);
    ::pclose(shell);
  }
  std::filesystem::remove(script);
  return text;
}

// A backup's name reaches the restore command unchanged, whatever it holds, on one line.
TEST(WriteAftermathTest, QuotedNamesComeBackFromTheShellUnchanged) {
  for (const std::string name :
       {"/data/backups/20261207-101530-COM1.dat", "/data/with space/it's.dat", "$HOME `id` *;|&",
        "new\nline and\ttab", "\x1b[31mred\\back'slash", "中文 名.dat", "-starts-with-dash"}) {
    const std::string quoted = SafeFile::ShellQuoted(name);
    EXPECT_EQ(ThroughShell(quoted), name) << quoted;
    for (const char c : quoted) EXPECT_GE(static_cast<unsigned char>(c), 0x20) << quoted;
  }
}

}  // namespace
}  // namespace velmora
