// velmora-screenshots DIR: shows the main window, filled with a factory alignment, and saves it
// as it appears with each band page and each of its level tables selected (DIR/band-a-table-0.png
// and so on), then the curve view of each band (DIR/curves-band-a.png). Run it in a real X server
// so that the pictures show what users see; VELMORA_LANG picks the language as for
// velmora.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMouseEvent>
#include <QScreen>
#include <QTemporaryDir>
#include <QTimer>
#include <cstdio>

#include "core/ImageLayout.h"
#include "sim/FactoryAlignment.h"
#include "ui/AppCommandLine.h"
#include "ui/CAlignApp.h"
#include "ui/CAlignMainDlg.h"
#include "ui/CurveWindow.h"
#include "ui/controls/CStyledTabCtrl.h"
#include "ui/pages/CBandPageDlg.h"

namespace {

using namespace velmora;

constexpr int kSettleMs = 300;  // lets the X server show the last change before the grab

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

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  AppCommandLine language;  // VELMORA_LANG=en pictures the window in English
  if (language.process(QStringList{app.arguments().first()})) return 2;
  CAlignApp::setUpApplication(app, language.language(std::nullopt, QString()));
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

  CAlignMainDlg window;
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
  return 0;
}
