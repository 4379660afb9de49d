#pragma once

#include <string>

namespace velmora {

// Tells the user a job's outcome. ShowMessage returns only once the user has seen the text: the
// window's jobs ask through their relay (RelayedPresenter) and wait until the box is closed, the
// command-line tool's prints and returns.
class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  virtual void ShowMessage(const std::string& text) = 0;
  // A job's outcome with a line or two of detail (a reason, where the backup went); presenters
  // without room for the detail show the text alone.
  virtual void ShowOutcome(const std::string& text, const std::string& detail) {
    (void)detail;
    ShowMessage(text);
  }
};

}  // namespace velmora
