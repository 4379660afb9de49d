#pragma once

#include "transfer/MessagePresenter.h"

namespace velmora {

class JobRelay;

// A job's presenter that asks the job's owner through the job's relay: the outcome goes out as
// news after the job's progress and its Finished, and the worker waits for the owner's reply.
class RelayedPresenter : public MessagePresenter {
 public:
  explicit RelayedPresenter(JobRelay& relay) : m_relay(relay) {}
  void ShowMessage(const std::string& text) override { ShowOutcome(text, {}); }
  void ShowOutcome(const std::string& text, const std::string& detail) override;

 private:
  JobRelay& m_relay;
};

}  // namespace velmora
