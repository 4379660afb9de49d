#pragma once

#include <cstdint>
#include <vector>

class QMenuBar;

namespace velmora {

class CalibrationImage;
class CBandPageDlg;
class CTransferJob;
class TransferGate;
struct WindowPrompts;

// What the window's production records need of it: the job whose outcomes they record, the gate
// that times them, the image they keep, the pages whose live tunes they count, the menu bar that
// carries the serial, and the window to open a kept image in.
class RecordsHost {
 public:
  virtual CTransferJob& job() = 0;
  virtual TransferGate& gate() = 0;
  virtual CalibrationImage& image() = 0;
  virtual CBandPageDlg* bandPage(int band) const = 0;
  virtual QMenuBar* menuBar() const = 0;
  virtual const WindowPrompts& prompts() const = 0;
  // An image kept in a record, into the window as work that is in no file yet.
  virtual void OpenUnsaved(const std::vector<std::uint8_t>& bytes) = 0;

 protected:
  ~RecordsHost() = default;
};

}  // namespace velmora
