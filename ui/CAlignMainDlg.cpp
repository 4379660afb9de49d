#include "ui/CAlignMainDlg.h"

#include <QAbstractSlider>
#include <QApplication>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QStyle>
#include <QTimer>
#include <cstdio>
#include <map>
#include <optional>
#include <string>

#include "radio/PortNames.h"
#include "res/DialogTemplates.h"
#include "res/ResourceIds.h"
#include "res/StringTable.h"
#include "transfer/RescueFile.h"
#include "ui/AutoAlignment.h"
#include "ui/CAboutDlg.h"
#include "ui/CalibrationFileDrop.h"
#include "ui/ChartLibrary.h"
#include "ui/CurveWindow.h"
#include "ui/MainWindowCommands.h"
#include "ui/MainWindowSettings.h"
#include "ui/ScrollingWindowFrame.h"
#include "ui/StationMode.h"
#include "ui/WindowRecords.h"
#include "ui/VelmoraIcon.h"
#include "ui/controls/CStyledTabCtrl.h"
#include "ui/kit/TemplateBuilder.h"
#include "ui/pages/CBandPageDlg.h"

namespace velmora {
namespace {

constexpr int kBandA = 0;
constexpr int kBandB = 1;
constexpr int kSystemCommandMask = 0xFFF0;

// The transfer status row under the template's controls, in pixels.
constexpr int kStatusMargin = 8;
constexpr int kStatusRowHeight = 24;
constexpr int kStatusBarWidth = 200;
constexpr int kCancelButtonWidth = 72;

QString FileErrorText(const QString& action, const QString& path, const FileResult& result) {
  return CAlignMainDlg::tr("%1 %2 失败:\n%3")
      .arg(action, path, QString::fromStdString(result.error));
}

// The label "开机显示" names the two power-on boxes after it, for screen readers and its key.
void TiePowerOnLabel(const DialogControls& controls) {
  QLabel* label = nullptr;
  for (const DialogControls::Entry& entry : controls.All()) {
    if (entry.control->id == res::main_window::kPowerOnText1) break;
    if (auto* found = qobject_cast<QLabel*>(entry.widget)) label = found;
  }
  if (!label) return;
  const int boxes[] = {res::main_window::kPowerOnText1, res::main_window::kPowerOnText2};
  label->setBuddy(controls.Widget(boxes[0]));
  for (int line = 0; line < 2; ++line) {
    controls.Widget(boxes[line])
        ->setAccessibleName(QStringLiteral("%1 %2").arg(label->text()).arg(line + 1));
  }
}

// The ports' names as the environment maps them when the window starts, described later.
PortNames PortNamesAsStarted() {
  std::map<std::string, std::string> mapped;
  for (int port = 0; port < CTransferJob::kPortLimit; ++port) {
    const std::string variable = PortNames::VariableName(port);
    if (auto value = PortNames::ProcessEnvironment(variable)) mapped[variable] = *value;
  }
  return PortNames("/dev", "/sys", [mapped](const std::string& variable) {
    const auto found = mapped.find(variable);
    return found == mapped.end() ? std::nullopt : std::optional<std::string>(found->second);
  });
}

}  // namespace

CAlignMainDlg::CAlignMainDlg(QWidget* parent, MainWindowServices services)
    : QDialog(parent),
      m_presenter(this),
      m_prompts(services.prompts ? std::move(*services.prompts) : WindowPrompts::Interactive()),
      m_charts(services.charts) {
  setWindowFlags(Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                 Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint |
                 Qt::WindowCloseButtonHint);
  m_hIcon = VelmoraIcon::Create();
  m_image.LoadDefaults();
  m_pImage = &m_image;
  m_job.AskOwner();
  m_face = new QWidget(this);
  m_controls =
      TemplateBuilder::Build(res::MainWindowTemplate(), m_face, &CStyledTabCtrl::MakeForTemplate);
  setWindowTitle(m_face->windowTitle());
  m_face->setFixedSize(m_face->size());  // the controls sit where the template puts them
  OnInitDialog();
  m_commands = new MainWindowCommands(this, *this, &m_settings, &m_prompts);
  m_autoAlignment = new AutoAlignment(this, *this, services.portFactory);
  m_stationMode = new StationMode(this, *this);
  for (CBandPageDlg* page : {m_pBandPageA, m_pBandPageB}) {
    connect(page, &CBandPageDlg::AlignRequested, m_autoAlignment, &AutoAlignment::Start);
  }
  m_frame = new ScrollingWindowFrame(this, m_face, m_commands->menuBar());
  new CalibrationFileDrop(this, [this](const QString& path) { OpenNamed(path); });
  restoreGeometry(m_settings.WindowGeometry());
  m_tabCtrl->SelectPage(m_settings.BandTab());
  AskedPresenter* shown = services.presenter ? services.presenter : &m_presenter;
  for (CTransferJob* job : {&m_job, &m_pBandPageA->job(), &m_pBandPageB->job()}) {
    if (services.portFactory) job->SetPortFactory(services.portFactory);
  }
  for (CBandPageDlg* page : {m_pBandPageA, m_pBandPageB}) {
    connect(&page->job().reports(), &JobRelay::Asked, this,
            [shown](const QString& text, const QString& detail, const JobReply& reply) {
              shown->Present(text, detail, reply);
            });
  }
  m_records = new WindowRecords(this, *this, shown);  // shows the window's own job's outcomes
}

// A worker that is still on its way out may touch the job record, the gate or the image; the
// pages go first, while the image they point at is still there.
CAlignMainDlg::~CAlignMainDlg() {
  delete m_autoAlignment;   // cancels a run and waits for its worker
  m_job.reports().Close();  // a worker waiting on its outcome's box goes on
  if (m_pThread) m_pThread->Join();
  delete m_pBandPageA;
  delete m_pBandPageB;
}

bool CAlignMainDlg::OnInitDialog() {
  UpdateData(false);
  AddSystemMenuEntry();
  setWindowIcon(m_hIcon);
  m_pBandPageA = CreateBandPage(kBandA, tr("A段接收"));
  m_pBandPageB = CreateBandPage(kBandB, tr("B段接收"));
  UpdateControlsFromImage();
  // The port walk takes longer than building the window; its tooltips can wait for the first map.
  QTimer::singleShot(0, this, [this, names = PortNamesAsStarted()] { DescribePorts(names); });
  m_tabCtrl->SetSelectedTextColor(CStyledTabCtrl::kSelectedCaptionColor);
  m_tabCtrl->SetHoverTextColor(CStyledTabCtrl::kHoverCaptionColor);

  connect(Button(res::main_window::kRead), &QPushButton::clicked, this, &CAlignMainDlg::OnRead);
  connect(Button(res::main_window::kWrite), &QPushButton::clicked, this, &CAlignMainDlg::OnWrite);
  connect(Button(res::main_window::kSave), &QPushButton::clicked, this, &CAlignMainDlg::OnSave);
  connect(Button(res::main_window::kOpen), &QPushButton::clicked, this, &CAlignMainDlg::OnOpen);
  connect(&m_job.reports(), &JobRelay::Finished, this, &CAlignMainDlg::OnTransferDone);
  // The pages connected to the gate first, so a live tune they start on a release has closed
  // it again before the buttons look.
  connect(&m_gate, &TransferGate::Entered, this, &CAlignMainDlg::UpdateCommandButtons);
  connect(&m_gate, &TransferGate::Released, this, &CAlignMainDlg::UpdateCommandButtons);
  TiePowerOnLabel(m_controls);
  WatchUserEdits();
  m_title = windowTitle();
  UpdateTitle();
  CreateTransferStatus();
  return true;
}

// Kept apart from the template: a row the dialog grows by, hidden until a read or write runs.
void CAlignMainDlg::CreateTransferStatus() {
  const int top = m_face->height();
  const int right = m_face->width() - kStatusMargin;
  m_cancelButton = new QPushButton(tr(kCancelText), m_face);
  m_cancelButton->setGeometry(right - kCancelButtonWidth, top, kCancelButtonWidth,
                              kStatusRowHeight);
  m_transferProgress = new QProgressBar(m_face);
  m_transferProgress->setGeometry(m_cancelButton->x() - kStatusMargin - kStatusBarWidth, top,
                                  kStatusBarWidth, kStatusRowHeight);
  m_transferStatus = new QLabel(m_face);
  m_transferStatus->setGeometry(kStatusMargin, top, m_transferProgress->x() - 2 * kStatusMargin,
                                kStatusRowHeight);
  for (QWidget* w :
       {static_cast<QWidget*>(m_transferStatus), static_cast<QWidget*>(m_transferProgress),
        static_cast<QWidget*>(m_cancelButton)}) {
    w->hide();
  }
  m_face->setFixedSize(m_face->width(), top + kStatusRowHeight + kStatusMargin);
  connect(m_cancelButton, &QPushButton::clicked, this, [this] {
    m_job.Cancel();
    m_autoAlignment->Cancel();
  });
  connect(&m_gate, &TransferGate::Released, this, &CAlignMainDlg::EndTransferStatus);
  // Reported on the worker thread; shown on this one.
  connect(&m_job.reports(), &JobRelay::Progress, this, &CAlignMainDlg::ShowTransferProgress);
}

void CAlignMainDlg::StartTransfer(int operation, const TransferOptions& options,
                                  const std::function<void()>& beforeResume) {
  if (m_ending) return;  // the session is ending: no new job
  CTestThread* thread = CTestThread::StartJob(
      m_job, m_pImage, operation,
      [this, &options, &beforeResume] {
        m_job.SetOptions(options);
        if (beforeResume) beforeResume();
      },
      &m_gate);
  if (!thread) return;
  m_pThread = thread;
  ShowTransferStatus();
}

bool CAlignMainDlg::IsWindowJobRunning() const {
  return m_job.IsRunning() || (m_autoAlignment && m_autoAlignment->IsRunning());
}

void CAlignMainDlg::ShowTransferStatus() {
  ShowTransferProgress(QString(), 0, 0);
  m_cancelButton->setEnabled(true);
  m_cancelButton->show();
}

void CAlignMainDlg::ShowTransferProgress(const QString& text, int done, int total) {
  if (!IsWindowJobRunning()) return;  // a late report of a job that has ended
  m_transferStatus->setText(text);
  m_transferProgress->setRange(0, total);  // no total: a busy bar
  m_transferProgress->setValue(done);
  m_transferStatus->show();
  m_transferProgress->show();
}

void CAlignMainDlg::EndTransferStatus() {
  if (IsWindowJobRunning()) return;  // a live tune of a page ended, not this window's job
  m_transferStatus->hide();
  m_transferProgress->hide();
  m_cancelButton->hide();
}

void CAlignMainDlg::AddSystemMenuEntry() {
  m_systemMenu = new QMenu(this);
  QAction* curves = m_systemMenu->addAction(tr("曲线"));
  connect(curves, &QAction::triggered, this, &CAlignMainDlg::OnCurves);
  const QString text =
      QCoreApplication::translate("StringTable", res::LoadResString(res::IDS_ABOUTBOX).data());
  if (text.isEmpty()) return;
  m_systemMenu->addSeparator();
  QAction* about = m_systemMenu->addAction(text);
  connect(about, &QAction::triggered, this, [this] { OnSysCommand(res::IDM_ABOUTBOX); });
}

CurveWindow* CAlignMainDlg::curveWindow() const { return m_curveWindow; }

CurveWindow* CAlignMainDlg::ShowCurves() {
  OnCurves();
  return m_curveWindow;
}

void CAlignMainDlg::ShowBand(int band) { m_tabCtrl->SelectPage(band); }

CBandPageDlg* CAlignMainDlg::ShownBandPage() const { return bandPage(m_tabCtrl->currentIndex()); }

bool CAlignMainDlg::EditMeterSettings() { return m_commands->EditMeterSettings(); }

QMenuBar* CAlignMainDlg::menuBar() const { return m_commands->menuBar(); }

void CAlignMainDlg::ShowHistory() { m_records->ShowHistory(); }

void CAlignMainDlg::EnterStationMode() { m_stationMode->Enter(); }

QString CAlignMainDlg::AlignmentEnded(const AlignOutcome& outcome, const CalibrationImage& before,
                                      std::chrono::system_clock::time_point started) {
  return m_records->AlignmentEnded(outcome, before, started);
}

// One curve view per window; asking again brings it to the front.
void CAlignMainDlg::OnCurves() {
  if (!m_curveWindow) {
    QString error;
    const ChartView* charts = m_charts ? m_charts : ChartLibrary::Load(error);
    if (!charts) {
      m_prompts.notify(this, tr("曲线无法显示:\n%1").arg(error));
      return;
    }
    m_curveWindow = new CurveWindow(*charts, m_pBandPageA, m_pBandPageB, m_tabCtrl, this);
  }
  m_curveWindow->show();
  m_curveWindow->raise();
  m_curveWindow->activateWindow();
}

CBandPageDlg* CAlignMainDlg::CreateBandPage(int band, const QString& caption) {
  auto* page = new CBandPageDlg;
  page->SetContext(m_pImage, band);
  page->SetTransferGate(&m_gate);
  page->Create(m_tabCtrl);
  m_tabCtrl->AddPage(page, caption, 0);
  return page;
}

void CAlignMainDlg::DoDataExchange(DataExchange& dx) {
  dx.Control(res::main_window::kTab, m_tabCtrl);
  dx.CBIndex(res::main_window::kPort, m_portIndex);
  dx.CBIndex(res::main_window::kCrystal, m_crystalIndex);
  dx.CBIndex(res::main_window::kIf, m_ifIndex);
  dx.Text(res::main_window::kPowerOnText1, m_powerOnText1);
  dx.MaxChars(m_powerOnText1, kPowerOnTextMax);
  dx.Text(res::main_window::kPowerOnText2, m_powerOnText2);
  dx.MaxChars(m_powerOnText2, kPowerOnTextMax);
}

bool CAlignMainDlg::UpdateData(bool saveAndValidate) {
  DataExchange dx(this, m_controls, saveAndValidate);
  DoDataExchange(dx);
  return !dx.failed();
}

void CAlignMainDlg::UpdateControlsFromImage() {
  const MainWindowSettings s = MainWindowSettings::FromImage(m_image);
  m_portIndex = s.portIndex;
  m_ifIndex = s.ifIndex;
  m_crystalIndex = s.crystalIndex;
  m_powerOnText1 = s.powerOnText1;
  m_powerOnText2 = s.powerOnText2;
  UpdateData(false);
}

void CAlignMainDlg::UpdateImageFromControls() {
  UpdateData(true);  // a refused value was prompted for; the store goes on with the values held
  MainWindowSettings s;
  s.portIndex = m_portIndex;
  s.ifIndex = m_ifIndex;
  s.crystalIndex = m_crystalIndex;
  s.powerOnText1 = m_powerOnText1;
  s.powerOnText2 = m_powerOnText2;
  s.ToImage(m_image);
}

void CAlignMainDlg::StoreUserInterface() {
  UpdateImageFromControls();
  m_pBandPageA->StoreToImage();
  m_pBandPageB->StoreToImage();
}

void CAlignMainDlg::RefreshUserInterface() {
  UpdateControlsFromImage();
  m_pBandPageA->LoadFromImage();
  m_pBandPageB->LoadFromImage();
}

void CAlignMainDlg::OnRead() { StartTransfer(TRANSFER_READ, TransferOptions{}, {}); }

// The worker starts only once the image holds the whole user interface. Defaults that were never
// replaced by a read or a file are written only when the user says so. The window always saves
// what the radio held before and checks what it holds after.
void CAlignMainDlg::OnWrite() {
  if (!m_gate.IsOpen()) return;
  if (!m_hasData && !m_prompts.askYesNo(this, tr(kDefaultsWriteQuestion))) {
    return;
  }
  TransferOptions options;
  options.backup = true;
  options.verify = true;
  StartTransfer(TRANSFER_WRITE, options, [this] { StoreUserInterface(); });
}

void CAlignMainDlg::OnSave() {
  const TransferGate::Hold hold(m_gate);
  if (hold) ChooseAndSave();
}

bool CAlignMainDlg::ChooseAndSave() {
  QString path = m_prompts.chooseSavePath(this, m_settings.LastFolder());
  if (path.isEmpty()) return false;
  // The chooser asked about the name as chosen; a name that gains ".dat" is asked about here.
  const QString target =
      QString::fromStdString(CalibrationFile::WithDatExtension(path.toStdString()));
  if (target != path && QFileInfo::exists(target) && !m_prompts.confirmReplace(this, target)) {
    return false;
  }
  const FileResult result = SaveToFile(target);
  if (!result.ok()) {
    m_prompts.notify(this, FileErrorText(tr("保存"), target, result));
    return false;
  }
  FileNamed(target);
  return true;
}

// A file that cannot be opened is reported too: the user must not go on to write the image
// in the window to a radio believing it is the file's.
void CAlignMainDlg::OnOpen() {
  OpenChosen([this] { return m_prompts.chooseOpenPath(this, m_settings.LastFolder()); });
}

void CAlignMainDlg::OpenNamed(const QString& path) {
  OpenChosen([path] { return path; });
}

void CAlignMainDlg::OpenChosen(const std::function<QString()>& choose) {
  const TransferGate::Hold hold(m_gate);
  if (!hold || !MaybeSaveChanges()) return;
  const QString path = choose();
  if (!path.isEmpty()) OpenFile(path);
}

void CAlignMainDlg::OpenUnsaved(const std::vector<std::uint8_t>& bytes) {
  const TransferGate::Hold hold(m_gate);
  if (bytes.size() != CalibrationImage::Bytes().size() || !hold || !MaybeSaveChanges()) return;
  m_image.AssignBytes(bytes);
  m_image.setBusy(false);
  m_pBandPageA->CancelLiveRequests();
  m_pBandPageB->CancelLiveRequests();
  RefreshUserInterface();
  m_hasData = true;
  m_filePath.clear();
  m_fileName.clear();
  UpdateTitle();
  MarkModified();
}

void CAlignMainDlg::SaveToCurrentFile() {
  const TransferGate::Hold hold(m_gate);
  if (!hold) return;
  if (m_filePath.isEmpty()) {
    ChooseAndSave();
    return;
  }
  const FileResult result = SaveToFile(m_filePath);
  if (result.ok()) {
    FileNamed(m_filePath);
  } else {
    m_prompts.notify(this, FileErrorText(tr("保存"), m_filePath, result));
  }
}

void CAlignMainDlg::OpenFile(const QString& path) {
  const FileResult result = LoadFromFile(path);
  if (!result.ok()) {
    m_prompts.notify(this, FileErrorText(tr("打开"), path, result));
    return;
  }
  // Releases made before the Open were for values the window no longer shows.
  m_pBandPageA->CancelLiveRequests();
  m_pBandPageB->CancelLiveRequests();
  m_hasData = true;
  FileNamed(path);
  if (result.fileSize != CalibrationImage::Bytes().size()) {
    m_prompts.notify(this, tr("文件大小为 %1 字节，不是 %2 字节")
                               .arg(result.fileSize)
                               .arg(CalibrationImage::Bytes().size()));
  }
}

void CAlignMainDlg::CopyShownImage(CalibrationImage& copy) {
  StoreUserInterface();
  copy.AssignBytes(m_image.ToBytes());
  copy.setBusy(false);
}

FileResult CAlignMainDlg::SaveToFile(const QString& path) {
  m_records->RecordLiveTuning();
  CalibrationImage copy;
  CopyShownImage(copy);
  return CalibrationFile::SaveToFile(copy, path.toStdString(), {});
}

// A file's busy byte is not a transfer of this window: it would hold live tuning back for good.
FileResult CAlignMainDlg::LoadFromFile(const QString& path) {
  return CalibrationFile::LoadFromFile(m_image, path.toStdString(), [this] {
    m_image.setBusy(false);
    RefreshUserInterface();
  });
}

// A read leaves the window with data that is in no file yet.
void CAlignMainDlg::OnTransferDone(int operation, const TransferOutcome& outcome) {
  if (operation != TRANSFER_READ || !outcome.succeeded()) return;
  RefreshUserInterface();
  m_hasData = true;
  MarkModified();
}

void CAlignMainDlg::OnSysCommand(int id) {
  if ((id & kSystemCommandMask) != res::IDM_ABOUTBOX) return;
  CAboutDlg about;
  about.DoModal();
}

void CAlignMainDlg::contextMenuEvent(QContextMenuEvent* e) { m_systemMenu->exec(e->globalPos()); }

// Enter clicks the focused push button and nothing else: it never closes the window, so no
// unsaved alignment is lost to a keystroke meant for an edit box.
void CAlignMainDlg::keyPressEvent(QKeyEvent* e) {
  if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
    if (auto* button = qobject_cast<QPushButton*>(focusWidget()); button && button->isEnabled()) {
      button->click();
    }
    e->accept();
    return;
  }
  QDialog::keyPressEvent(e);
}

void CAlignMainDlg::OnEndSession() {
  if (m_ending) return;
  m_ending = true;
  m_presenter.Silence();
  m_pBandPageA->CancelLiveRequests();
  m_pBandPageB->CancelLiveRequests();
  for (CTransferJob* job : {&m_job, &m_pBandPageA->job(), &m_pBandPageB->job()}) job->Cancel();
  m_autoAlignment->Cancel();
  CloseModalDialogs();
  connect(&m_gate, &TransferGate::Released, this, &CAlignMainDlg::FinishEndSession);
  if (m_gate.IsOpen()) FinishEndSession();  // also when the job left before the connection
}

// A question, a chooser or an outcome box open now would hold the window; each is answered as
// its close box answers it.
void CAlignMainDlg::CloseModalDialogs() {
  for (QWidget* modal = QApplication::activeModalWidget(); modal && modal != this;
       modal = QApplication::activeModalWidget()) {
    if (!modal->close()) break;
  }
}

void CAlignMainDlg::FinishEndSession() {
  if (m_ended || !m_gate.IsOpen()) return;  // once, and only when no job holds the image
  m_ended = true;
  if (isWindowModified()) {
    CalibrationImage copy;
    CopyShownImage(copy);
    QString path;
    const FileResult kept = RescueFile::Save(copy, QStringLiteral("unsaved"), path);
    if (kept.ok()) {
      std::fprintf(stderr, "velmora: unsaved edits kept in %s\n", qPrintable(path));
    } else {
      std::fprintf(stderr, "velmora: unsaved edits lost: %s: %s\n", qPrintable(path),
                   kept.error.c_str());
    }
  }
  QDialog::done(QDialog::Rejected);
}

void CAlignMainDlg::done(int result) {
  if (m_ending) return;  // the end of the session closes the window itself
  {
    const TransferGate::Hold hold(m_gate);
    if (!hold) {
      m_prompts.notify(this, tr(kCloseRefusedText));
      return;
    }
    if (!MaybeSaveChanges()) return;
    // Live requests that waited for the question would outlive the window.
    m_pBandPageA->CancelLiveRequests();
    m_pBandPageB->CancelLiveRequests();
  }
  Remember();
  QDialog::done(result);
}

void CAlignMainDlg::Remember() {
  m_settings.SetWindowGeometry(saveGeometry());
  m_settings.SetBandTab(m_tabCtrl->currentIndex());
}

bool CAlignMainDlg::MaybeSaveChanges() {
  if (!isWindowModified()) return true;
  switch (m_prompts.askSaveChanges(this)) {
    case WindowPrompts::SaveChoice::Save:
      return ChooseAndSave();
    case WindowPrompts::SaveChoice::Discard:
      return true;
    case WindowPrompts::SaveChoice::Cancel:
      break;
  }
  return false;
}

// Edits are what the user does to a control; loading the controls from the image is none.
void CAlignMainDlg::WatchUserEdits() {
  for (auto* slider : findChildren<QAbstractSlider*>()) {
    connect(slider, &QAbstractSlider::actionTriggered, this, &CAlignMainDlg::MarkModified);
  }
  for (auto* edit : findChildren<QLineEdit*>()) {
    connect(edit, &QLineEdit::textEdited, this, &CAlignMainDlg::MarkModified);
  }
  for (auto* combo : findChildren<QComboBox*>()) {
    connect(combo, &QComboBox::activated, this, &CAlignMainDlg::MarkModified);
  }
}

void CAlignMainDlg::UpdateTitle() {
  const QString name = m_fileName.isEmpty() ? tr(kUntitledName) : m_fileName;
  setWindowTitle(QStringLiteral("%1 - %2[*]").arg(m_title, name));
}

void CAlignMainDlg::FileNamed(const QString& path) {
  m_filePath = path;
  m_fileName = QFileInfo(path).fileName();
  m_settings.FileUsed(path);
  setWindowModified(false);
  UpdateTitle();
}

void CAlignMainDlg::UpdateCommandButtons() {
  const bool open = m_gate.IsOpen();
  for (int id : {res::main_window::kRead, res::main_window::kWrite, res::main_window::kSave,
                 res::main_window::kOpen})
    Button(id)->setEnabled(open);
}

// Each port entry's tooltip says what is behind it: the adapter's description, else its device.
// The system's ports are walked once for all entries, not once per entry.
void CAlignMainDlg::DescribePorts(const PortNames& names) {
  auto* combo = m_controls.Get<QComboBox>(res::main_window::kPort);
  std::vector<std::string> entries;
  for (int i = 0; i < combo->count(); ++i) entries.push_back(combo->itemText(i).toStdString());
  const std::vector<std::string> described = names.DescribeEach(entries);
  for (int i = 0; i < combo->count(); ++i) {
    const std::string& what = described[static_cast<std::size_t>(i)];
    if (!what.empty()) combo->setItemData(i, QString::fromStdString(what), Qt::ToolTipRole);
  }
}

QPushButton* CAlignMainDlg::Button(int id) const { return m_controls.Get<QPushButton>(id); }

}  // namespace velmora
