#pragma once

#include <string>
#include <vector>

namespace velmora {

// What velmora-cli and the helper programs it starts do alike at their start and end.
class ToolMain {
 public:
  // The command word: the first argument that is not --log or its file; for "help COMMAND" the
  // command. "" when there is none.
  static std::string CommandWord(const std::vector<std::string>& args);
  // Takes --log FILE (or --log=FILE), wherever it stands, out of args and opens that trace for
  // the whole program; false, with the reason told on stderr, when it cannot.
  static bool TakeLogOption(std::vector<std::string>& args, int argc, char** argv);
  // A reader that went away early (`| head -1`) must not cost a read its saved file: the tool
  // ignores SIGPIPE and looks at its output stream instead. The exit status after flushing.
  static int Finish(int code, bool printsItsResult);
  // Ends the program once its command is done: the trace closed and every stream flushed, without
  // the runtime's own teardown (a millisecond the user would wait for, and nothing needs).
  [[noreturn]] static void Exit(int code);
};

}  // namespace velmora
