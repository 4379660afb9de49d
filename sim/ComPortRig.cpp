#include "sim/ComPortRig.h"

#include <cstdlib>
#include <stdexcept>

#include "radio/PortNames.h"

namespace velmora::sim {

ComPortRig::~ComPortRig() {
  while (!m_radios.empty()) Remove(m_radios.begin()->first);
  while (!m_silent.empty()) Remove(m_silent.begin()->first);
}

std::string ComPortRig::VariableName(int port) { return PortNames::VariableName(port); }

PtyRadioServer& ComPortRig::AddRadio(int port, bool paced) {
  Remove(port);
  auto server = std::make_unique<PtyRadioServer>();
  server->SetPaced(paced);
  std::string error;
  if (!server->Start(&error)) throw std::runtime_error("simulated radio: " + error);
  Publish(port, server->slavePath());
  return *(m_radios[port] = std::move(server));
}

SilentTerminal& ComPortRig::AddSilentTerminal(int port) {
  Remove(port);
  auto terminal = std::make_unique<SilentTerminal>();
  std::string error;
  if (!terminal->Open(&error)) throw std::runtime_error("silent terminal: " + error);
  Publish(port, terminal->slavePath());
  return *(m_silent[port] = std::move(terminal));
}

void ComPortRig::Remove(int port) {
  m_radios.erase(port);
  m_silent.erase(port);
  ::unsetenv(VariableName(port).c_str());
}

void ComPortRig::Publish(int port, const std::string& path) {
  ::setenv(VariableName(port).c_str(), path.c_str(), 1);
}

}  // namespace velmora::sim
