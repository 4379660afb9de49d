#include <QChart>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineSeries>
#include <QScatterSeries>
#include <QTemporaryDir>
#include <QValueAxis>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <memory>
#include <sstream>

#include "cli/PlotCommand.h"
#include "cli/ReportCommand.h"
#include "cli/ShowCommand.h"
#include "core/CalibrationFile.h"
#include "core/ImageFields.h"
#include "core/TextCodec.h"
#include "plot/AlignmentChart.h"
#include "res/TableNames.h"

using namespace velmora;

namespace {

using Command = int (*)(const std::vector<std::string>&, std::ostream&, std::ostream&);

int Run(Command command, std::vector<std::string> args, std::string* out = nullptr) {
  std::ostringstream o, e;
  const int code = command(args, o, e);
  if (out) *out = o.str();
  return code;
}

// A calibration whose band A runs 150 MHz + 4 per point, with a distinct level at every point.
void Sample(CalibrationImage& image) {
  image.LoadDefaults();
  image.WriteBcd16(layout::kBand[0].base, 150);
  image.WriteBcd8(layout::kBand[0].step, 4);
  for (int t = 0; t < 4; ++t) {
    for (int k = 0; k < 16; ++k) image.SetLevel({Band::A, t, k}, std::uint8_t(10 * t + k));
  }
  StringToTextField("A,B\"C", image.powerOnText1());
}

// The cells of one CSV record, quotes undone.
QStringList CsvCells(const QString& line) {
  QStringList cells{QString()};
  bool quoted = false;
  for (qsizetype i = 0; i < line.size(); ++i) {
    const QChar c = line[i];
    if (quoted && c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
      cells.last() += '"';
      ++i;
    } else if (c == '"') {
      quoted = !quoted;
    } else if (c == ',' && !quoted) {
      cells << QString();
    } else {
      cells.last() += c;
    }
  }
  return cells;
}

}  // namespace

class PlotReportTest : public QObject {
  Q_OBJECT

 private slots:
  void chartCarriesTheImagesLevelsAtTheirFrequencies();
  void tablesKeepTheirColoursAndScales();
  void plotWritesTheFormatItsNameAsksFor_data();
  void plotWritesTheFormatItsNameAsksFor();
  void reportRowsMatchShowJson();
};

void PlotReportTest::chartCarriesTheImagesLevelsAtTheirFrequencies() {
  CalibrationImage image, other;
  Sample(image);
  Sample(other);
  other.SetLevel({Band::A, 2, 7}, 200);
  const std::unique_ptr<QChart> chart(AlignmentChart::Create(
      {{"radio", BandCurves::FromImage(image, 0)}, {"golden", BandCurves::FromImage(other, 0)}},
      "A", AlignmentChart::Point{1, 5}));
  const auto series = chart->series();
  QCOMPARE(series.size(), 2 * 4 + 1);
  for (int s = 0; s < 8; ++s) {
    const auto* line = qobject_cast<QLineSeries*>(series[s]);
    QVERIFY(line);
    const int table = s % 4;
    QCOMPARE(line->name(), QString(s < 4 ? "radio " : "golden ") + res::TableName(table));
    QCOMPARE(line->count(), 16);
    for (int k = 0; k < 16; ++k) {
      const int level = s == 6 && k == 7 ? 200 : 10 * table + k;
      QCOMPARE(line->at(k), QPointF(150 + 4 * k, level));
    }
  }
  const auto* marker = qobject_cast<QScatterSeries*>(series[8]);
  QVERIFY(marker);
  QCOMPARE(marker->points(), QList<QPointF>{QPointF(150 + 4 * 5, 10 + 5)});
}

// A table keeps its colour whatever the file and however many: the second file is dashed in the
// same colours; the receive tuning has a scale of its own; ticks fall on round values.
void PlotReportTest::tablesKeepTheirColoursAndScales() {
  CalibrationImage image;
  Sample(image);
  const BandCurves curves = BandCurves::FromImage(image, 0);
  const std::unique_ptr<QChart> one(AlignmentChart::Create({{"", curves}}, "A"));
  const std::unique_ptr<QChart> two(
      AlignmentChart::Create({{"radio", curves}, {"golden", curves}}, "A"));
  QSet<QRgb> colours;
  for (QChart* chart : {one.get(), two.get()}) {
    const auto series = chart->series();
    for (int s = 0; s < series.size(); ++s) {
      auto* line = qobject_cast<QLineSeries*>(series[s]);
      const int table = s % 4;
      QCOMPARE(line->color().rgb(), AlignmentChart::TableColor(table).rgb());
      QCOMPARE(line->pen().style(), s < 4 ? Qt::SolidLine : Qt::DashLine);
      colours.insert(line->color().rgb());
      const auto* y = qobject_cast<QValueAxis*>(line->attachedAxes().at(1));
      QCOMPARE(y->max(), table == 3 ? 63.0 : 255.0);
      QCOMPARE(std::fmod(y->tickAnchor(), y->tickInterval()), 0.0);
    }
  }
  QCOMPARE(colours.size(), 4);
  const auto* x = qobject_cast<QValueAxis*>(one->axes(Qt::Horizontal).first());
  QCOMPARE(x->tickType(), QValueAxis::TicksDynamic);
  QCOMPARE(x->tickInterval(), 10.0);  // 150..210 MHz: ticks at 150, 160, ... 210
  QCOMPARE(std::fmod(x->tickAnchor(), 10.0), 0.0);
}

void PlotReportTest::plotWritesTheFormatItsNameAsksFor_data() {
  QTest::addColumn<QString>("name");
  QTest::addColumn<int>("exitCode");
  QTest::addColumn<QByteArray>("start");
  QTest::newRow("svg") << "out.svg" << 0 << QByteArray("<?xml");
  QTest::newRow("png") << "out.png" << 0 << QByteArray("\x89PNG");
  QTest::newRow("other") << "out.pdf" << 2 << QByteArray();
}

void PlotReportTest::plotWritesTheFormatItsNameAsksFor() {
  QFETCH(QString, name);
  QFETCH(int, exitCode);
  QFETCH(QByteArray, start);
  QTemporaryDir dir;
  CalibrationImage image;
  Sample(image);
  const std::string file = dir.filePath("a.dat").toStdString();
  QVERIFY(CalibrationFile::SaveToFile(image, file, {}).ok());
  const std::string out = dir.filePath(name).toStdString();
  QCOMPARE(Run(PlotCommand::Run, {file, "-o", out, "--band", "B"}), exitCode);
  QFile written(QString::fromStdString(out));
  QCOMPARE(written.open(QIODevice::ReadOnly), exitCode == 0);
  if (exitCode == 0) QVERIFY(written.read(start.size()) == start);
  // A file that is not a whole calibration is refused, as everywhere.
  QFile half(dir.filePath("half.dat"));
  QVERIFY(half.open(QIODevice::WriteOnly) && half.write(QByteArray(100, '\0')) == 100);
  half.close();
  QCOMPARE(Run(PlotCommand::Run, {half.fileName().toStdString(), "-o", out}), 2);
}

// Each cell holds the field's value as show --json decodes it; the header names every field,
// a shared name followed by its offset.
void PlotReportTest::reportRowsMatchShowJson() {
  QTemporaryDir dir;
  CalibrationImage image;
  Sample(image);
  const std::string file = dir.filePath("a.dat").toStdString();
  QVERIFY(CalibrationFile::SaveToFile(image, file, {}).ok());
  const std::string csv = dir.filePath("r.csv").toStdString();
  QCOMPARE(Run(ReportCommand::Run, {file, file, "-o", csv}), 0);
  QFile report(QString::fromStdString(csv));
  QVERIFY(report.open(QIODevice::ReadOnly));
  const QStringList lines = QString::fromUtf8(report.readAll()).split("\r\n", Qt::SkipEmptyParts);
  QCOMPARE(lines.size(), 3);
  std::string shown;
  QCOMPARE(Run(ShowCommand::Run, {file, "--json"}, &shown), 0);
  const QJsonArray fields =
      QJsonDocument::fromJson(QByteArray::fromStdString(shown)).object()["fields"].toArray();
  QCOMPARE(std::size_t(fields.size()), ImageFields::All().size());
  QStringList names{"file"}, values{QString::fromStdString(file)};
  for (const QJsonValue& field : fields) {
    const QString name = field["name"].toString();
    const bool shared = std::count_if(fields.begin(), fields.end(), [&](const QJsonValue& f) {
                          return f["name"].toString() == name;
                        }) > 1;
    names << (shared ? name + "@" + QString::number(field["offset"].toInt()) : name);
    const QJsonValue value = field["value"];
    QStringList levels;
    for (const QJsonValue& point : value.toArray())
      levels << QString::number(point["level"].toInt());
    values << (value.isDouble()  ? QString::number(value.toInteger())
               : value.isArray() ? levels.join(' ')
                                 : value.toString());
  }
  QCOMPARE(names.count("carried@220"), 1);
  QCOMPARE(CsvCells(lines[0]), names);
  QCOMPARE(CsvCells(lines[1]), values);
  QCOMPARE(CsvCells(lines[2]), values);
}

QTEST_MAIN(PlotReportTest)
#include "PlotReportTest.moc"
