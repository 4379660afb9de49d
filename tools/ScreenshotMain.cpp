// velmora-screenshots DIR: shows the main window, filled with a factory alignment, and saves it
// as it appears with each band page and each of its level tables selected (DIR/band-a-table-0.png
// and so on), then the curve view of each band (DIR/curves-band-a.png), then the window and its
// curve view during an automatic alignment of band A against the simulated radio and meter
// (DIR/auto-align.png, DIR/auto-align-curves.png). Run it in a real X server so that the pictures
// show what users see; VELMORA_LANG picks the language as for velmora.
#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMouseEvent>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "core/ImageLayout.h"
#include "instrument/InstrumentSettings.h"
#include "model/Transmitter.h"
#include "plot/ChartView.h"
#include "sim/ComPortRig.h"
#include "sim/FactoryAlignment.h"
#include "sim/MeterServer.h"
#include "sim/TransmitterWatch.h"
#include "ui/AppCommandLine.h"
#include "ui/AutoAlignment.h"
#include "ui/CAlignApp.h"
#include "ui/CAlignMainDlg.h"
#include "ui/CurveWindow.h"
#include "ui/controls/CStyledTabCtrl.h"
#include "ui/pages/CBandPageDlg.h"

namespace {

using namespace velmora;

constexpr int kSettleMs = 300;  // lets the X server show the last change before the grab
constexpr int kAlignPort = 1;
constexpr int kPointsBeforeShot = 1;     // of the alignment, so curves and sliders have moved
constexpr int kAlignTimeoutMs = 120000;  // for those points, at the radio's real timing

// The calibration file a read from a radio with the factory alignment would give.
QByteArray FactoryFile() {
  const sim::RadioMemory memory = sim::FactoryAlignment::Make();
  CalibrationImage image;
  image.LoadDefaults();
  for (std::size_t i = 0; i < layout::kRegionCount; ++i) {
    const RadioRegion region = image.region(i);
    const std::size_t address = std::size_t(region.addrHi) << 8 | region.addrLo;
    for (std::size_t j = 0; j < region.data.size(); ++j) {
      region.data[j] = memory[(address + j) & sim::kAddressMask];
    }
  }
  image.setPortNumber(1);
  const auto bytes = image.ToBytes();
  return QByteArray(reinterpret_cast<const char*>(bytes.data()), qsizetype(bytes.size()));
}

// Selects a tab the way a user does, with a click on its caption.
void ClickTab(CStyledTabCtrl* tabs, int index) {
  const QPointF at = tabs->tabRect(index).center();
  const QPointF global = tabs->mapToGlobal(at);
  QMouseEvent press(QEvent::MouseButtonPress, at, global, Qt::LeftButton, Qt::LeftButton, {});
  QMouseEvent release(QEvent::MouseButtonRelease, at, global, Qt::LeftButton, {}, {});
  QApplication::sendEvent(tabs, &press);
  QApplication::sendEvent(tabs, &release);
}

void Settle() {
  QEventLoop loop;
  QTimer::singleShot(kSettleMs, &loop, &QEventLoop::quit);
  loop.exec();
}

bool Save(QWidget* window, const QString& path) {
  QPixmap shot = window->screen()->grabWindow(window->winId());
  if (shot.isNull()) shot = window->grab();
  // Few colours: an indexed image keeps the file small without changing a pixel we care about.
  const QImage image = shot.toImage().convertToFormat(QImage::Format_Indexed8, Qt::ThresholdDither);
  if (!image.save(path, "PNG", 0)) return false;
  std::printf("%s\n", qPrintable(path));
  return true;
}

// The simulated radio with the factory alignment on a pseudo-terminal as COM1, its transmitter
// measured by the simulated meter on a loopback port, as velmora-radio-sim --meter serves them.
struct Bench {
  Bench() : meter([this](auto at) { return transmitter.Watts(at); }, {}) {
    radio.SetMemory(sim::FactoryAlignment::Make());
    radio.SetTransmitListener(sim::TransmitterWatch::Listener(transmitter));
  }
  bool Start() {
    std::string error;
    if (meter.Start("127.0.0.1", 0, &error)) return true;
    std::fprintf(stderr, "%s\n", error.c_str());
    return false;
  }

  // Before the radio, whose server thread tells it of every transmission until it stops.
  meter::Transmitter transmitter;
  sim::ComPortRig rig;
  sim::PtyRadioServer& radio = rig.AddRadio(kAlignPort);
  sim::MeterServer meter;
};

// The shipped plan for a meter without an attenuator before its sensor.
QString WritePlan(const QTemporaryDir& temp) {
  QFile shipped(QStringLiteral(VELMORA_EXAMPLE_PLAN));
  if (!shipped.open(QIODevice::ReadOnly)) return {};
  QJsonObject plan = QJsonDocument::fromJson(shipped.readAll()).object();
  QJsonObject meter = plan.value("meter").toObject();
  meter["offsetDb"] = 0;
  meter["maxInputDbm"] = 40;
  plan["meter"] = meter;
  const QString path = temp.filePath("plan.json");
  QFile file(path);
  if (!file.open(QIODevice::WriteOnly)) return {};
  file.write(QJsonDocument(plan).toJson());
  return path;
}

// Band A aligned by its whole-band button, pictured once a few points are done, then cancelled.
bool ShootAlignment(const QDir& out, const QTemporaryDir& temp) {
  Bench bench;
  const QString plan = WritePlan(temp);
  if (plan.isEmpty() || !bench.Start()) return false;
  InstrumentSettings meter;
  meter.meterUrl = QStringLiteral("tcp://127.0.0.1:%1").arg(bench.meter.port());
  meter.Save(*InstrumentSettings::ProgramSettings());
  WindowPrompts prompts = WindowPrompts::Interactive();
  prompts.choosePlanPath = [plan](QWidget*, const QString&) { return plan; };
  prompts.askYesNo = [](QWidget*, const QString&) { return false; };
  prompts.askSaveReport = [](QWidget*, const QString&) { return false; };
  prompts.notify = [](QWidget*, const QString&) {};
  CAlignMainDlg window(nullptr, MainWindowServices{{}, nullptr, prompts, &ChartView::Linked()});
  window.move(0, 0);
  window.show();
  if (!window.LoadFromFile(temp.filePath("factory.dat")).ok()) return false;
  window.bandPage(0)->alignBandButton()->click();
  QElapsedTimer waited;
  waited.start();
  while (window.autoAlignment()->IsRunning() &&
         window.transferProgress()->value() < kPointsBeforeShot &&
         waited.elapsed() < kAlignTimeoutMs) {
    Settle();
  }
  Settle();
  const bool saved = Save(&window, out.filePath("auto-align.png")) &&
                     Save(window.curveWindow(), out.filePath("auto-align-curves.png"));
  window.autoAlignment()->Cancel();
  while (window.autoAlignment()->IsRunning()) Settle();
  return saved;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  AppCommandLine language;  // VELMORA_LANG=en pictures the window in English
  if (language.Process(QStringList{app.arguments().first()})) return 2;
  CAlignApp::SetUpApplication(app, language.Language(std::nullopt, QString()));
  if (argc != 2) {
    std::fprintf(stderr, "usage: velmora-screenshots DIR\n");
    return 2;
  }
  const QDir out(QString::fromLocal8Bit(argv[1]));
  if (!out.exists() && !QDir().mkpath(out.path())) return 1;

  QTemporaryDir temp;
  const QString file = temp.filePath("factory.dat");
  QFile factory(file);
  if (!factory.open(QIODevice::WriteOnly) || factory.write(FactoryFile()) != 308) return 1;
  factory.close();

  MainWindowServices services;
  services.charts = &ChartView::Linked();
  CAlignMainDlg window(nullptr, std::move(services));
  window.move(0, 0);  // leaves the curve view its room beside the window
  window.show();
  if (!window.LoadFromFile(file).ok()) return 1;
  const char* const bands[] = {"a", "b"};
  for (int band = 0; band < 2; ++band) {
    ClickTab(window.tabCtrl(), band);
    for (int table = 0; table < CBandPageDlg::kLevelTables; ++table) {
      ClickTab(window.bandPage(band)->levelTab(), table);
      Settle();
      const QString name = QString("band-%1-table-%2.png").arg(bands[band]).arg(table);
      if (!Save(&window, out.filePath(name))) return 1;
    }
  }
  window.OnCurves();
  for (int band = 0; band < 2; ++band) {
    ClickTab(window.tabCtrl(), band);
    Settle();
    const QString name = QString("curves-band-%1.png").arg(bands[band]);
    if (!Save(window.curveWindow(), out.filePath(name))) return 1;
  }
  window.hide();
  return ShootAlignment(out, temp) ? 0 : 1;
}
