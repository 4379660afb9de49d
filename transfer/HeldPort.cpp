#include "transfer/HeldPort.h"

#include "radio/PosixSerialLine.h"

namespace velmora {

HeldPort::HeldPort(CTransferJob::PortFactory make) : m_make(std::move(make)) {}

HeldPort::~HeldPort() {
  if (m_port) m_port->CloseIfOpen();
}

CTransferJob::PortFactory HeldPort::Factory() {
  return [this]() -> std::unique_ptr<CRadioPort> {
    if (m_port) return std::move(m_port);
    if (m_make) return m_make();
    return std::make_unique<CRadioPort>(std::make_unique<PosixSerialLine>());
  };
}

void HeldPort::Keep(CTransferJob& job) {
  if (auto port = job.TakePort()) m_port = std::move(port);
}

}  // namespace velmora
