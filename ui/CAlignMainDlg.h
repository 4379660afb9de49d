#pragma once

#include <QDialog>
#include <QIcon>
#include <QPointer>
#include <QString>
#include <cstdint>
#include <vector>

#include "core/CalibrationFile.h"
#include "core/CalibrationImage.h"
#include "radio/PortNames.h"
#include "transfer/CTestThread.h"
#include "transfer/CTransferJob.h"
#include "transfer/TransferGate.h"
#include "ui/MainWindowServices.h"
#include "ui/QtMessagePresenter.h"
#include "ui/UserSettings.h"
#include "ui/WindowPrompts.h"
#include "ui/kit/DataExchange.h"
#include "ui/kit/DialogControls.h"

class QLabel;
class QMenu;
class QProgressBar;
class QPushButton;

namespace velmora {

class AutoAlignment;
class CBandPageDlg;
class CStyledTabCtrl;
class CurveWindow;
class MainWindowCommands;
class ScrollingWindowFrame;
class StationMode;
class WindowRecords;

// The one top-level window: the band pages A and B as tabs, the port, the two power-on lines,
// the hidden crystal and IF settings, and Read, Write, Save and Open. It owns the image and the
// job record of reads and writes. Only one transfer runs at a time: while one runs, the four
// command buttons are disabled and the window refuses to close, since the worker uses the
// window's image and job record.
class CAlignMainDlg : public QDialog {
  Q_OBJECT

 public:
  // Source texts; the window shows them through tr().
  static constexpr const char* kCloseRefusedText =
      QT_TR_NOOP("正在与对讲机通信，请等通信结束后再关闭本窗口。");
  static constexpr const char* kUntitledName = QT_TR_NOOP("未命名");
  static constexpr const char* kDefaultsWriteQuestion =
      QT_TR_NOOP("尚未读出或打开校准数据，确定要把默认值写入对讲机吗?");
  static constexpr int kPowerOnTextMax = 7;
  static constexpr const char* kCancelText = QT_TR_NOOP("取消");

  explicit CAlignMainDlg(QWidget* parent = nullptr, MainWindowServices services = {});
  ~CAlignMainDlg() override;

  int DoModal() { return exec(); }

  void OnRead();
  void OnWrite();
  void OnSave();
  void OnOpen();
  // Open with the file already named (a recent file, a dropped one): asks what Open asks.
  void OpenNamed(const QString& path);
  // An image kept elsewhere than in a file (a production record) into the window, as work that is
  // in no file yet; asks first what Open asks.
  void OpenUnsaved(const std::vector<std::uint8_t>& bytes);
  // Saves over the file opened or saved last; without one, as Save.
  void SaveToCurrentFile();
  // A job of this window has its outcome: a read that succeeded reloads the whole window.
  void OnTransferDone(int operation, const TransferOutcome& outcome);
  void OnSysCommand(int id);
  // The session ends (logout, kill): a running job is cancelled at its next pause, edits that
  // are in no file are kept in the rescue folder, and the window closes without a question.
  void OnEndSession();
  bool IsEnding() const { return m_ending; }
  void OnCurves();
  CurveWindow* curveWindow() const;

  // Open with the path already chosen: loads the file and tells the user when that fails.
  void openFile(const QString& path);
  // The file operations behind Save and Open, with the full path already chosen.
  FileResult SaveToFile(const QString& path);
  FileResult LoadFromFile(const QString& path);

  void UpdateControlsFromImage();
  void UpdateImageFromControls();
  bool UpdateData(bool saveAndValidate = true);

  CalibrationImage& image() { return m_image; }
  TransferGate& gate() { return m_gate; }
  CTransferJob& job() { return m_job; }
  CBandPageDlg* bandPage(int band) const { return band == 0 ? m_pBandPageA : m_pBandPageB; }
  CStyledTabCtrl* tabCtrl() const { return m_tabCtrl; }
  QWidget* Control(int id) const { return m_controls.Widget(id); }
  // The window menu: on this platform it opens as the window's context menu.
  QMenu* systemMenu() const { return m_systemMenu; }
  // The row under the controls that follows a read or write: what runs, how far, and 取消.
  QLabel* transferStatus() const { return m_transferStatus; }
  QProgressBar* transferProgress() const { return m_transferProgress; }
  QPushButton* cancelButton() const { return m_cancelButton; }
  MainWindowCommands* commands() const { return m_commands; }
  StationMode* stationMode() const { return m_stationMode; }
  ScrollingWindowFrame* frame() const { return m_frame; }
  AutoAlignment* autoAlignment() const { return m_autoAlignment; }
  WindowRecords* records() const { return m_records; }
  const WindowPrompts& prompts() const { return m_prompts; }
  UserSettings& userSettings() { return m_settings; }

  // The status row of a job of this window (a read, a write, an alignment) with 取消.
  void ShowTransferStatus();
  void ShowTransferProgress(const QString& text, int done, int total);
  // The image as the window shows it, never a transfer's busy mark.
  void CopyShownImage(CalibrationImage& copy);
  void MarkModified() { setWindowModified(true); }

 public slots:
  void done(int result) override;

 protected:
  bool OnInitDialog();
  void DoDataExchange(DataExchange& dx);
  void keyPressEvent(QKeyEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  void AddSystemMenuEntry();
  void OpenChosen(const std::function<QString()>& choose);
  void Remember();
  CBandPageDlg* CreateBandPage(int band, const QString& caption);
  void StoreUserInterface();
  void RefreshUserInterface();
  void UpdateCommandButtons();
  void DescribePorts(const PortNames& names);
  QPushButton* Button(int id) const;
  void CreateTransferStatus();
  void StartTransfer(int operation, const TransferOptions& options,
                     const std::function<void()>& beforeResume);
  void EndTransferStatus();
  bool IsWindowJobRunning() const;

  // Unsaved work: the title names the file and marks an image that is in no file.
  void WatchUserEdits();
  void UpdateTitle();
  void FileNamed(const QString& path);
  // Asks "保存修改吗?" when the image holds unsaved work; false when the user chose to stay.
  bool MaybeSaveChanges();
  // The save chooser and the save itself, with the gate already held; true once saved.
  bool ChooseAndSave();
  void CloseModalDialogs();
  void FinishEndSession();

  CalibrationImage m_image;
  CalibrationImage* m_pImage = nullptr;
  CTransferJob m_job;
  QPointer<CTestThread> m_pThread;
  CStyledTabCtrl* m_tabCtrl = nullptr;
  int m_portIndex = -1;
  int m_crystalIndex = -1;
  int m_ifIndex = -1;
  QString m_powerOnText1;
  QString m_powerOnText2;
  QIcon m_hIcon;
  CBandPageDlg* m_pBandPageA = nullptr;
  CBandPageDlg* m_pBandPageB = nullptr;

  TransferGate m_gate;
  QtMessagePresenter m_presenter;
  WindowPrompts m_prompts;
  DialogControls m_controls;
  QMenu* m_systemMenu = nullptr;
  const ChartView* m_charts;  // null: the chart module, loaded when the curves first open
  QPointer<CurveWindow> m_curveWindow;
  QString m_title;         // the template's caption
  QString m_filePath;      // of the file saved or opened last; empty before any
  QString m_fileName;      // its name
  bool m_hasData = false;  // read from a radio or opened from a file since the start
  bool m_ending = false;   // the session is ending: no more questions
  bool m_ended = false;    // and its edits are kept: the window closes
  QLabel* m_transferStatus = nullptr;
  QProgressBar* m_transferProgress = nullptr;
  QPushButton* m_cancelButton = nullptr;
  QWidget* m_face = nullptr;  // the template's controls, scrolled on a small screen
  UserSettings m_settings;
  MainWindowCommands* m_commands = nullptr;
  ScrollingWindowFrame* m_frame = nullptr;
  AutoAlignment* m_autoAlignment = nullptr;
  StationMode* m_stationMode = nullptr;
  WindowRecords* m_records = nullptr;
};

}  // namespace velmora
