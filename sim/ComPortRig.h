#pragma once

#include <map>
#include <memory>
#include <string>

#include "sim/PtyRadioServer.h"
#include "sim/SilentTerminal.h"

namespace velmora::sim {

// Puts simulated radios and silent terminals behind COM port numbers for the tests of the host:
// each one is published as VELMORA_COM<n>=<slave path> in the environment, and the destructor
// stops everything and removes those variables again. Set up the rig before any thread looks
// ports up: the environment is not thread-safe.
class ComPortRig {
 public:
  ComPortRig() = default;
  ~ComPortRig();
  ComPortRig(const ComPortRig&) = delete;
  ComPortRig& operator=(const ComPortRig&) = delete;

  // A started radio on COM<port>; throws std::runtime_error when no pseudo-terminal can be made.
  PtyRadioServer& AddRadio(int port, bool paced = false);
  // A terminal on COM<port> that opens but never answers.
  SilentTerminal& AddSilentTerminal(int port);
  // Removes whatever sits on COM<port>.
  void Remove(int port);

  static std::string VariableName(int port);  // "VELMORA_COM<n>"

 private:
  void Publish(int port, const std::string& path);

  std::map<int, std::unique_ptr<PtyRadioServer>> m_radios;
  std::map<int, std::unique_ptr<SilentTerminal>> m_silent;
};

}  // namespace velmora::sim
