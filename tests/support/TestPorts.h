#pragma once

#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "radio/CRadioPort.h"
#include "radio/PosixSerialLine.h"
#include "transfer/AskedPresenter.h"
#include "transfer/MessagePresenter.h"

namespace velmora::test {

// Protocol waits divided by this in the tests that are not about real timing.
inline constexpr int kTimeDivisor = 10;

// A real serial line with scaled timing that sees only the ports the test published as
// VELMORA_COM<n>, never a device of the machine.
inline std::unique_ptr<CRadioPort> MakeScaledPort() {
  const ProtocolTiming timing = kRealTiming.ScaledDown(kTimeDivisor);
  auto line = std::make_unique<PosixSerialLine>(timing, PortNames("/nonexistent", "/nonexistent"));
  return std::make_unique<CRadioPort>(std::move(line), timing);
}

// Records what a job tells the user, told on the worker (ShowOutcome) or asked through its relay
// (Present); optionally holds the worker, as a user who has not yet closed the message box, until
// Release: in ShowOutcome, or by keeping the reply.
class RecordingPresenter : public MessagePresenter, public AskedPresenter {
 public:
  explicit RecordingPresenter(bool holdUntilReleased = false) : m_hold(holdUntilReleased) {}
  void ShowMessage(const std::string& text) override { ShowOutcome(text, {}); }
  void ShowOutcome(const std::string& text, const std::string& detail) override {
    std::unique_lock lock(m_mutex);
    m_texts.push_back(text);
    m_details.push_back(detail);
    m_changed.notify_all();
    m_changed.wait(lock, [this] { return !m_hold || m_released; });
  }
  void Present(const QString& text, const QString& detail, const JobReply& reply) override {
    const std::lock_guard lock(m_mutex);
    m_texts.push_back(text.toStdString());
    m_details.push_back(detail.toStdString());
    if (m_hold && !m_released) m_replies.push_back(reply);
  }
  void Release() {
    std::vector<JobReply> replies;
    {
      const std::lock_guard lock(m_mutex);
      m_released = true;
      replies.swap(m_replies);
    }
    m_changed.notify_all();
    for (const JobReply& reply : replies) reply.Release();
  }
  std::vector<std::string> texts() const {
    const std::lock_guard lock(m_mutex);
    return m_texts;
  }
  std::vector<std::string> details() const {
    const std::lock_guard lock(m_mutex);
    return m_details;
  }

 private:
  bool m_hold;
  bool m_released = false;
  mutable std::mutex m_mutex;
  std::condition_variable m_changed;
  std::vector<std::string> m_texts;
  std::vector<std::string> m_details;
  std::vector<JobReply> m_replies;  // the questions held open
};

}  // namespace velmora::test
