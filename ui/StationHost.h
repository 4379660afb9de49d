#pragma once

namespace velmora {

class UserSettings;
struct WindowPrompts;

// What station mode needs of the window it covers: its questions, the plan folder in its
// settings, and the port its image names.
class StationHost {
 public:
  virtual const WindowPrompts& prompts() const = 0;
  virtual UserSettings& userSettings() = 0;
  virtual int PortNumber() const = 0;

 protected:
  ~StationHost() = default;
};

}  // namespace velmora
