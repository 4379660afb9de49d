#pragma once

class QString;
class QWidget;

namespace velmora {

class CBandPageDlg;

// What the menu bar's commands do in the window: the file commands, the views, the production
// records and station mode, and the buttons the menu entries click.
class CommandHost {
 public:
  virtual void OnOpen() = 0;
  virtual void OpenNamed(const QString& path) = 0;
  virtual void OnSave() = 0;
  virtual void SaveToCurrentFile() = 0;
  virtual void OnCurves() = 0;
  virtual void OnSysCommand(int id) = 0;
  virtual void ShowHistory() = 0;
  virtual void EnterStationMode() = 0;
  // A control of the window's template, by id (the Read, Write, Save and Open buttons).
  virtual QWidget* Control(int id) const = 0;
  // The band page on the tab shown.
  virtual CBandPageDlg* ShownBandPage() const = 0;

 protected:
  ~CommandHost() = default;
};

}  // namespace velmora
