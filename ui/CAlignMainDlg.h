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
#include "ui/AlignmentHost.h"
#include "ui/CommandHost.h"
#include "ui/MainWindowServices.h"
#include "ui/QtMessagePresenter.h"
#include "ui/RecordsHost.h"
#include "ui/StationHost.h"
#include "ui/UserSettings.h"
#include "ui/WindowPrompts.h"
#include "ui/kit/DataExchange.h"
#include "ui/kit/DialogControls.h"

class QLabel;
class QMenu;
class QMenuBar;
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
// window's image and job record. Its helpers reach it through the hosts it implements.
class CAlignMainDlg : public QDialog,
                      public AlignmentHost,
                      public CommandHost,
                      public RecordsHost,
                      public StationHost {
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
  void OnSave() override;
  void OnOpen() override;
  // Open with the file already named (a recent file, a dropped one): asks what Open asks.
  void OpenNamed(const QString& path) override;
  void OnSysCommand(int id) override;
  // The session ends (logout, kill): a running job is cancelled at its next pause, edits that
  // are in no file are kept in the rescue folder, and the window closes without a question.
  void OnEndSession();
  void OnCurves() override;
  CurveWindow* curveWindow() const override;

  // Open with the path already chosen: loads the file and tells the user when that fails.
  void OpenFile(const QString& path);
  // The file operation behind Open, with the full path already chosen.
  FileResult LoadFromFile(const QString& path);

  bool UpdateData(bool saveAndValidate = true);

  CalibrationImage& image() override { return m_image; }
  TransferGate& gate() override { return m_gate; }
  CTransferJob& job() override { return m_job; }
  CBandPageDlg* bandPage(int band) const override {
    return band == 0 ? m_pBandPageA : m_pBandPageB;
  }
  CStyledTabCtrl* tabCtrl() const { return m_tabCtrl; }
  QWidget* Control(int id) const override { return m_controls.Widget(id); }
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

  // The image as the window shows it, never a transfer's busy mark.
  void CopyShownImage(CalibrationImage& copy) override;

 public slots:
  void done(int result) override;

 protected:
  bool OnInitDialog();
  void DoDataExchange(DataExchange& dx);
  void keyPressEvent(QKeyEvent* e) override;
  void contextMenuEvent(QContextMenuEvent* e) override;

 private:
  // What the helpers reach through their hosts.
  bool IsEnding() const override { return m_ending; }
  const WindowPrompts& prompts() const override { return m_prompts; }
  UserSettings& userSettings() override { return m_settings; }
  bool EditMeterSettings() override;
  // The status row of a job of this window (a read, a write, an alignment) with 取消.
  void ShowTransferStatus() override;
  void ShowTransferProgress(const QString& text, int done, int total) override;
  CurveWindow* ShowCurves() override;
  void ShowBand(int band) override;
  void MarkModified() override { setWindowModified(true); }
  QString AlignmentEnded(const AlignOutcome& outcome, const CalibrationImage& before,
                         std::chrono::system_clock::time_point started) override;
  // Saves over the file opened or saved last; without one, as Save.
  void SaveToCurrentFile() override;
  void ShowHistory() override;
  void EnterStationMode() override;
  CBandPageDlg* ShownBandPage() const override;
  QMenuBar* menuBar() const override;
  // An image kept elsewhere than in a file (a production record) into the window, as work that is
  // in no file yet; asks first what Open asks.
  void OpenUnsaved(const std::vector<std::uint8_t>& bytes) override;
  int PortNumber() const override { return m_image.portNumber(); }

  // A job of this window has its outcome: a read that succeeded reloads the whole window.
  void OnTransferDone(int operation, const TransferOutcome& outcome);
  // The file operation behind Save, with the full path already chosen.
  FileResult SaveToFile(const QString& path);
  void UpdateControlsFromImage();
  void UpdateImageFromControls();
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
