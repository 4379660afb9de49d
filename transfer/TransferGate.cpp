#include "transfer/TransferGate.h"

namespace velmora {

bool TransferGate::TryEnter() {
  bool open = false;
  if (!m_busy.compare_exchange_strong(open, true)) return false;
  emit Entered();
  return true;
}

void TransferGate::Leave() {
  m_busy = false;
  emit Released();
}

}  // namespace velmora
