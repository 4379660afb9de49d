#include "cli/ToolMain.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <iostream>

#include "cli/CliImage.h"
#include "trace/TraceLog.h"

#ifndef VELMORA_VERSION
#error "VELMORA_VERSION must name the program's version"
#endif

namespace velmora {
namespace {

bool IsLogOption(const std::string& arg) { return arg == "--log" || arg.starts_with("--log="); }

}  // namespace

std::string ToolMain::CommandWord(const std::vector<std::string>& args) {
  std::vector<std::string> words;
  for (auto it = args.begin(); it != args.end(); ++it) {
    if (*it == "--log" && it + 1 != args.end()) {
      ++it;
    } else if (!IsLogOption(*it)) {
      words.push_back(*it);
    }
  }
  if (words.size() == 2 && words[0] == "help") return words[1];
  return words.empty() ? std::string() : words[0];
}

bool ToolMain::TakeLogOption(std::vector<std::string>& args, int argc, char** argv) {
  const auto it = std::find_if(args.begin(), args.end(), IsLogOption);
  if (it == args.end()) return true;
  const bool joined = it->starts_with("--log=");
  const bool valued = joined || it + 1 != args.end();
  const std::string file = joined ? it->substr(6) : valued ? *(it + 1) : std::string();
  std::string error;
  if (!valued || !TraceLog::Instance().Open(file, {argv, argv + argc}, VELMORA_VERSION, &error)) {
    std::cerr << (error.empty() ? "--log needs a file" : error) << "\n";
    return false;
  }
  args.erase(it, it + (joined ? 1 : 2));
  return true;
}

int ToolMain::Finish(int code, bool printsItsResult) {
  std::cout.flush();
  if (std::cout) return code;
  std::cerr << "velmora-cli: standard output could not be written; output lost\n";
  return printsItsResult ? kExitUsage : code;
}

void ToolMain::Exit(int code) {
  TraceLog::Instance().Close();
  std::cerr.flush();
  std::fflush(nullptr);
  std::_Exit(code);
}

}  // namespace velmora
