#pragma once

#include <string>

namespace velmora::sim {

// A raw pseudo-terminal pair. The master is where the simulated radio sits; the slave path is
// what a host opens as its serial device. The slave is also held open here, so that a host may
// close and reopen it without the master seeing a hang-up and without losing the line settings.
class PseudoTerminal {
 public:
  PseudoTerminal() = default;
  ~PseudoTerminal();
  PseudoTerminal(const PseudoTerminal&) = delete;
  PseudoTerminal& operator=(const PseudoTerminal&) = delete;

  // Opens a new pseudo-terminal master (close-on-exec) and names its slave; -1 on failure, with
  // the reason in error. Every pseudo-terminal of the program and its tests starts here.
  static int OpenMaster(std::string& slavePath, std::string* error);

  // Creates the pair; on failure returns false and describes why in error.
  bool Open(std::string* error);
  void Close();
  bool isOpen() const { return m_master >= 0; }

  int master() const { return m_master; }  // non-blocking, close-on-exec
  // Bytes sent towards the host that it has not read yet.
  int UnreadBySlave() const;
  const std::string& slavePath() const { return m_slavePath; }

 private:
  int m_master = -1;
  int m_slave = -1;
  std::string m_slavePath;
};

}  // namespace velmora::sim
