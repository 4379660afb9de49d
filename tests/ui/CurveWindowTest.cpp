#include <QAreaSeries>
#include <QChart>
#include <QLineSeries>
#include <QMenu>
#include <QScatterSeries>
#include <QSlider>
#include <QTemporaryDir>
#include <QtTest>

#include "plot/ChartView.h"
#include "tests/ui/MainWindowFixture.h"
#include "ui/CurveWindow.h"
#include "ui/WindowPlacement.h"

using namespace velmora;
using test::MainWindow;

namespace {

QList<QPointF> Line(QChart* chart, int table) {
  return qobject_cast<QLineSeries*>(chart->series().at(table))->points();
}

template <class Series>
Series* Named(QChart* chart, const QString& name) {
  for (QAbstractSeries* series : chart->series()) {
    if (series->name() == name) return qobject_cast<Series*>(series);
  }
  return nullptr;
}

}  // namespace

class CurveWindowTest : public QObject {
  Q_OBJECT

 private slots:
  void curvesFollowTheBandPageOnScreen();
  void powerStandsAgainstItsWindowPerBand();
  void aMissingChartModuleIsToldNotFatal();
  void placedBesideOrCoveringTheLeast_data();
  void placedBesideOrCoveringTheLeast();
};

// The view opens from the window menu, plots the opened file's tables at their frequencies, and
// follows a slider move and a band switch without any store.
void CurveWindowTest::curvesFollowTheBandPageOnScreen() {
  QTemporaryDir dir;
  CalibrationImage image;
  image.LoadDefaults();
  image.WriteBcd16(layout::kBand[0].base, 140);
  image.WriteBcd8(layout::kBand[0].step, 2);
  for (int k = 0; k < 16; ++k) image.SetLevel({Band::A, 0, k}, std::uint8_t(100 + k));
  const QString path = dir.filePath("a.dat");
  QVERIFY(CalibrationFile::SaveToFile(image, path.toStdString(), {}).ok());

  MainWindow w(false, false, &ChartView::Linked());
  QVERIFY(w.dlg->LoadFromFile(path).ok());
  const auto actions = w.dlg->systemMenu()->actions();
  QCOMPARE(actions.first()->text(), QString("曲线"));
  actions.first()->trigger();
  CurveWindow* curves = w.dlg->curveWindow();
  QVERIFY(curves && curves->isVisible());
  QVERIFY(!curves->frameGeometry().intersects(w.dlg->frameGeometry()));  // beside, not over
  QTRY_COMPARE(Line(curves->chart(), 0).value(3), QPointF(146, 103));
  QCOMPARE(Line(curves->chart(), 0).size(), 16);

  QSlider* slider = w.Level(0, 0)->Slider(5);
  slider->setFocus();
  QTest::keyClick(slider, Qt::Key_Right);  // the user moves point 5: 105 to 106
  QTRY_COMPARE(Line(curves->chart(), 0).value(5), QPointF(150, 106));
  auto* marker = qobject_cast<QScatterSeries*>(curves->chart()->series().last());
  QVERIFY(marker);
  QCOMPARE(marker->points(), QList<QPointF>{QPointF(150, 106)});

  // Loading the pages anew, as a Read does, moves the lines but not the marker to another point.
  image.SetLevel({Band::A, 3, 15}, 9);
  QVERIFY(CalibrationFile::SaveToFile(image, path.toStdString(), {}).ok());
  QVERIFY(w.dlg->LoadFromFile(path).ok());
  QTRY_COMPARE(Line(curves->chart(), 0).value(5), QPointF(150, 105));
  marker = qobject_cast<QScatterSeries*>(curves->chart()->series().last());
  QCOMPARE(marker->points(), QList<QPointF>{QPointF(150, 105)});

  QTest::mouseClick(w.dlg->tabCtrl(), Qt::LeftButton, {}, w.dlg->tabCtrl()->tabRect(1).center());
  const BandCurves bandB = BandCurves::FromImage(w.dlg->image(), 1);
  QTRY_COMPARE(Line(curves->chart(), 0).value(0), QPointF(bandB.PointMhz(0), bandB.levels[0][0]));
  QCOMPARE(curves->chart()->title(), QString("B段"));
}

// Readings stand at their points' frequencies as the band page shows them, inside or outside
// their table's band; each band shows only its own; a new run starts from nothing.
void CurveWindowTest::powerStandsAgainstItsWindowPerBand() {
  MainWindow w(false, false, &ChartView::Linked());  // band A of the defaults: base 136, step 3
  w.dlg->OnCurves();
  CurveWindow* curves = w.dlg->curveWindow();
  QVERIFY(!curves->IsPowerShown());
  curves->ClearPower();
  curves->SetPowerWindow(0, 1, {2.5, 2.25, 2.75});
  curves->ShowReading(0, 1, 4, 2.1);
  curves->ShowReading(0, 1, 4, 2.4);  // the point's latest reading replaces the earlier one
  curves->ShowReading(0, 1, 0, 2.6);
  curves->ShowReading(1, 0, 2, 5.0);
  QVERIFY(curves->IsPowerShown());
  QChart* power = curves->powerChart();
  QTRY_VERIFY(Named<QScatterSeries>(power, "中功率 实测"));
  QCOMPARE(Named<QScatterSeries>(power, "中功率 实测")->points(),
           (QList<QPointF>{{136, 2.6}, {148, 2.4}}));
  auto* band = Named<QAreaSeries>(power, "中功率 窗口");
  QVERIFY(band);
  QCOMPARE(band->upperSeries()->points(), (QList<QPointF>{{136, 2.75}, {181, 2.75}}));
  QCOMPARE(band->lowerSeries()->points(), (QList<QPointF>{{136, 2.25}, {181, 2.25}}));
  QVERIFY(!Named<QScatterSeries>(power, "高功率 实测"));

  QTest::mouseClick(w.dlg->tabCtrl(), Qt::LeftButton, {}, w.dlg->tabCtrl()->tabRect(1).center());
  QTRY_VERIFY(Named<QScatterSeries>(power, "高功率 实测"));
  QCOMPARE(Named<QScatterSeries>(power, "高功率 实测")->points(), (QList<QPointF>{{410, 5.0}}));
  QVERIFY(!Named<QScatterSeries>(power, "中功率 实测"));

  curves->ClearPower();
  QTRY_VERIFY(!Named<QScatterSeries>(power, "高功率 实测"));
}

// The window loads its chart module when the curves first open; without one beside this
// program the user is told why, and the window goes on.
void CurveWindowTest::aMissingChartModuleIsToldNotFatal() {
  MainWindow w;
  w.dlg->OnCurves();
  QVERIFY(!w.dlg->curveWindow());
  QCOMPARE(w.script.notices.size(), 1);
  QVERIFY2(w.script.notices[0].startsWith("曲线无法显示:\n"), qPrintable(w.script.notices[0]));
  QVERIFY(w.dlg->isVisible());
}

void CurveWindowTest::placedBesideOrCoveringTheLeast_data() {
  QTest::addColumn<QRect>("screen");
  QTest::addColumn<QRect>("window");
  QTest::addColumn<QRect>("expected");
  const QRect screen(0, 0, 1600, 1200);
  QTest::newRow("room on the right")
      << screen << QRect(100, 100, 800, 700) << QRect(900, 100, 700, 480);
  QTest::newRow("room on the left only")
      << screen << QRect(800, 50, 700, 600) << QRect(80, 50, 720, 480);
  QTest::newRow("narrowed to the room")
      << screen << QRect(0, 0, 1200, 800) << QRect(1200, 0, 400, 480);
  QTest::newRow("centred, no side room: below it")
      << screen << QRect(250, 200, 1100, 800) << QRect(250, 720, 720, 480);
  QTest::newRow("full height: the side it covers less")
      << screen << QRect(300, 0, 1100, 1200) << QRect(0, 0, 720, 480);
  QTest::newRow("low window: beside, kept on the screen")
      << screen << QRect(900, 1000, 600, 150) << QRect(180, 720, 720, 480);
  QTest::newRow("screen smaller than the view")
      << QRect(0, 0, 640, 400) << QRect(0, 0, 640, 400) << QRect(0, 0, 640, 400);
  QTest::newRow("second screen") << QRect(1600, 0, 1920, 1080) << QRect(1700, 100, 900, 700)
                                 << QRect(2600, 100, 720, 480);
}

// The 720 x 480 view never hides the window where a side has 360 pixels, and otherwise takes the
// place on the screen that covers the least of it.
void CurveWindowTest::placedBesideOrCoveringTheLeast() {
  QFETCH(QRect, screen);
  QFETCH(QRect, window);
  QFETCH(QRect, expected);
  QCOMPARE(WindowPlacement::Beside(screen, window, QSize(720, 480), 360), expected);
}

QTEST_MAIN(CurveWindowTest)
#include "CurveWindowTest.moc"
