#pragma once

#include <QString>
#include <chrono>

namespace velmora {

struct AlignOutcome;
class CalibrationImage;
class CBandPageDlg;
class CurveWindow;
class TransferGate;
class UserSettings;
struct WindowPrompts;

// What an automatic alignment needs of the window it runs in: its gate, questions and settings to
// start, its image as shown to start from, its status row, pages and curves to follow the tries,
// and its image, title and records to take the outcome.
class AlignmentHost {
 public:
  // The session is ending: no run starts and no outcome is told.
  virtual bool IsEnding() const = 0;
  virtual TransferGate& gate() = 0;
  virtual const WindowPrompts& prompts() const = 0;
  virtual UserSettings& userSettings() = 0;
  // The meter settings dialog; true when the user accepted it.
  virtual bool EditMeterSettings() = 0;
  // The image as the window shows it, never a transfer's busy mark.
  virtual void CopyShownImage(CalibrationImage& copy) = 0;
  virtual void ShowTransferStatus() = 0;
  virtual void ShowTransferProgress(const QString& text, int done, int total) = 0;
  // The curve view opened or brought to the front; null when it cannot be shown (the user is told).
  virtual CurveWindow* ShowCurves() = 0;
  virtual CurveWindow* curveWindow() const = 0;
  virtual CBandPageDlg* bandPage(int band) const = 0;
  virtual void ShowBand(int band) = 0;
  virtual CalibrationImage& image() = 0;
  virtual void MarkModified() = 0;
  // The run's record kept: why it was not, "" when it was.
  virtual QString AlignmentEnded(const AlignOutcome& outcome, const CalibrationImage& before,
                                 std::chrono::system_clock::time_point started) = 0;

 protected:
  ~AlignmentHost() = default;
};

}  // namespace velmora
