#pragma once

#include <vector>

#include "align/AlignPlan.h"
#include "align/AlignRun.h"
#include "instrument/InstrumentSettings.h"
#include "transfer/CTransferJob.h"
#include "transfer/HeldPort.h"
#include "transfer/TransferOptions.h"

namespace velmora {

// Everything an alignment job is told before it runs.
struct AlignJobSettings {
  AlignPlan plan;
  InstrumentSettings meter;               // URL, dialect, attenuator dB actually used
  std::vector<AlignRun::Table> tables;    // in this order
  TransferOptions transfer;               // the radio's port, as read/write/live take it
  CTransferJob::PortFactory portFactory;  // empty: the real port; tests: scaled timing
  // The port the run's read left open, taken for the tries and given back for its write;
  // none: the job holds its own from the first try to its last exchange.
  HeldPort* heldPort = nullptr;
};

}  // namespace velmora
