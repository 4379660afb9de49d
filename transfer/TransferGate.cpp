#include "transfer/TransferGate.h"

namespace velmora {

bool TransferGate::TryEnter() {
  bool open = false;
  return m_busy.compare_exchange_strong(open, true);
}

void TransferGate::Leave() {
  m_busy = false;
  emit Released();
}

}  // namespace velmora
