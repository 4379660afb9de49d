#pragma once

#include <string>

namespace velmora {

// Tells the user a job's outcome. ShowMessage returns only once the user has seen the text: the
// window's presenter blocks the worker until its message box is closed, the command-line tool's
// prints and returns.
class MessagePresenter {
 public:
  virtual ~MessagePresenter() = default;
  virtual void ShowMessage(const std::string& text) = 0;
};

}  // namespace velmora
