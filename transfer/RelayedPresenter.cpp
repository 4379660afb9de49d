#include "transfer/RelayedPresenter.h"

#include "transfer/JobRelay.h"

namespace velmora {

void RelayedPresenter::ShowOutcome(const std::string& text, const std::string& detail) {
  m_relay.Ask(QString::fromStdString(text), QString::fromStdString(detail));
}

}  // namespace velmora
