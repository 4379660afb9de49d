#pragma once

#include <memory>

#include "transfer/CTransferJob.h"

namespace velmora {

// The radio's port kept open (and so locked against every other program) from one job of a run
// to the next: an alignment's read, its live tunes and its write are one job to the outside.
// One thread at a time; jobs hand it on through thread start and join.
class HeldPort {
 public:
  // make: how the first port is made; empty: the real serial line.
  explicit HeldPort(CTransferJob::PortFactory make = {});
  ~HeldPort();
  HeldPort(const HeldPort&) = delete;
  HeldPort& operator=(const HeldPort&) = delete;

  // For CTransferJob::SetPortFactory: hands the held port to the job, or makes the first one.
  CTransferJob::PortFactory Factory();
  // Takes the job's port back, open as the job left it (the job's options hold it).
  void Keep(CTransferJob& job);

 private:
  std::unique_ptr<CRadioPort> m_port;
  CTransferJob::PortFactory m_make;
};

}  // namespace velmora
