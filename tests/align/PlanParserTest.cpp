#include <sys/stat.h>

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>
#include <cstdio>

#include "AlignTestSupport.h"
#include "align/TableRun.h"
#include "core/CalibrationImage.h"

namespace velmora::test {
namespace {

QJsonObject ExampleJson() {
  QFile file(QStringLiteral(VELMORA_EXAMPLE_PLAN));
  EXPECT_TRUE(file.open(QIODevice::ReadOnly));
  return QJsonDocument::fromJson(file.readAll()).object();
}

// Sets the value at a dotted path ("safety.maxStep"), or removes the field when `value` is
// undefined.
void SetAt(QJsonObject& object, const QString& path, const QJsonValue& value) {
  const qsizetype dot = path.indexOf('.');
  if (dot < 0) {
    if (value.isUndefined()) {
      object.remove(path);
    } else {
      object.insert(path, value);
    }
    return;
  }
  QJsonObject inner = object.value(path.left(dot)).toObject();
  SetAt(inner, path.mid(dot + 1), value);
  object.insert(path.left(dot), inner);
}

struct BadPlan {
  const char* path;
  QJsonValue value;
  const char* error;  // what the message starts with
};

class PlanParserBadInput : public testing::TestWithParam<BadPlan> {};

TEST_P(PlanParserBadInput, NamesTheField) {
  QJsonObject json = ExampleJson();
  SetAt(json, QString::fromLatin1(GetParam().path), GetParam().value);
  const AlignPlanParse parse = AlignPlanParser::Parse(QJsonDocument(json).toJson());
  EXPECT_FALSE(parse.plan);
  EXPECT_TRUE(parse.error.startsWith(QString::fromUtf8(GetParam().error)))
      << parse.error.toStdString();
}

const QJsonValue kMissing = QJsonValue(QJsonValue::Undefined);

INSTANTIATE_TEST_SUITE_P(
    Rows, PlanParserBadInput,
    testing::Values(
        BadPlan{"format", 2, "format: 2 lies outside 1..1"},
        BadPlan{"name", "  ", "name: not a text"},
        BadPlan{"safety.maxStep", kMissing, "safety.maxStep: missing"},
        BadPlan{"safety.maxTries", 1, "safety.maxTries: 1 lies outside 2..100"},
        BadPlan{"safety.maxLevel", 256, "safety.maxLevel: 256 lies outside 1..255"},
        BadPlan{"meter.averaging", 2.5, "meter.averaging: not a whole number"},
        BadPlan{"meter.settleMs", "150", "meter.settleMs: not a number"},
        BadPlan{"meter.offsetdB", 30, "meter.offsetdB: unknown field"},
        BadPlan{"meter", 5, "meter: not an object"},
        BadPlan{"targets.A.high.min", 5, "targets.A.high.min: not below watts"},
        BadPlan{"targets.B.low.max", 0.9, "targets.B.low.max: not above watts"},
        BadPlan{"targets.A.center", QJsonObject{}, "targets.A.center: unknown field"},
        BadPlan{"targets.C", QJsonObject{}, "targets.C: unknown field"},
        BadPlan{"targets", QJsonObject{}, "targets.A: no table has a target"},
        // 5 dBm behind 30 dB: the sensor takes at most 3.16 W of radio power.
        BadPlan{"meter.maxInputDbm", 5, "targets.A.high.max: above the meter's maximum input"},
        BadPlan{"points", "some", "points:"},
        BadPlan{"points", QJsonArray{3, 3}, "points: points are distinct numbers 0..15"},
        BadPlan{"points", QJsonArray{16}, "points: points are distinct numbers 0..15"},
        BadPlan{"points", QJsonArray{}, "points:"},
        BadPlan{"confirm", "twice", "confirm: \"reading\" or \"retune\""},
        BadPlan{"confirm", true, "confirm: \"reading\" or \"retune\""},
        BadPlan{"extra", true, "extra: unknown field"}));

TEST(PlanParser, ConfirmByReadingUnlessRetuneIsAsked) {
  QJsonObject json = ExampleJson();
  EXPECT_EQ(AlignPlanParser::Parse(QJsonDocument(json).toJson()).plan->confirm,
            AlignPlan::Confirm::Reading);
  for (const auto& [value, confirm] : {std::pair("reading", AlignPlan::Confirm::Reading),
                                       std::pair("retune", AlignPlan::Confirm::Retune)}) {
    SetAt(json, QStringLiteral("confirm"), QString::fromLatin1(value));
    const AlignPlanParse parse = AlignPlanParser::Parse(QJsonDocument(json).toJson());
    ASSERT_TRUE(parse.plan) << parse.error.toStdString();
    EXPECT_EQ(parse.plan->confirm, confirm);
  }
}

TEST(PlanParser, RefusesWhatIsNotAJsonObject) {
  EXPECT_TRUE(AlignPlanParser::Parse("{\"format\": 1,").error.startsWith("not JSON at byte"));
  EXPECT_EQ(AlignPlanParser::Parse("[1]").error, "not a JSON object");
  EXPECT_TRUE(AlignPlanParser::Load("/nonexistent/plan.json").error.startsWith("/nonexistent"));
}

// The example plan's text with one piece replaced: what a JSON parser takes silently but a
// safety document must refuse, named by the key's path.
struct TextFault {
  const char* find;
  const char* replace;
  const char* error;
};

TEST(PlanParser, RepeatedKeysAndNonFiniteNumbersAreNamedByTheirPath) {
  const std::vector<TextFault> rows = {
      {R"("maxLevel":250)", R"("maxLevel":100,"maxLevel":250)", "safety.maxLevel: given twice"},
      {R"("high":{"max":5.25)", R"("high":{"max":9,"max":5.25)", "targets.A.high.max: given twice"},
      {R"("targets":{"A")", R"("targets":{"B":{},"A")", "targets.B: given twice"},
      {R"("format":1)", R"("format":1,"format":1)", "format: given twice"},
      // Escapes name the same key: the parser sees one key, so must the check.
      {R"("name":)", R"("n\u0061me":"x","name":)", "name: given twice"},
      {R"("offsetDb":30)", R"("offsetDb":1e999)", "meter.offsetDb: 1e999 lies beyond"},
      {R"("offsetDb":30)", R"("offsetDb":-1e400)", "meter.offsetDb: -1e400 lies beyond"},
      {R"("maxStep":32)", R"("maxStep":NaN)", "safety.maxStep: NaN is no finite number"},
      {R"("watts":5})", R"("watts":Infinity})", "targets.A.high.watts: Infinity is no finite"},
      {R"("points":"insideTransmitLimits")", R"("points":[1,2,1e999])", "points[2]: 1e999"},
  };
  const QByteArray plan = QJsonDocument(ExampleJson()).toJson(QJsonDocument::Compact);
  ASSERT_TRUE(AlignPlanParser::Parse(plan).plan);
  for (const TextFault& row : rows) {
    ASSERT_TRUE(plan.contains(row.find)) << row.find;
    const QByteArray text = QByteArray(plan).replace(row.find, row.replace);
    const AlignPlanParse parse = AlignPlanParser::Parse(text);
    EXPECT_FALSE(parse.plan) << row.replace;
    EXPECT_TRUE(parse.error.startsWith(QString::fromUtf8(row.error)))
        << row.replace << " -> " << parse.error.toStdString();
  }
}

// Only a regular file is read as a plan, and only as much as a plan can be: a FIFO with no writer
// must not hang, /dev/zero must not grow without end, a name in another encoding is not lost.
TEST(PlanParser, OnlyARegularFileOfAPlansSizeIsRead) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const std::string folder = dir.path().toStdString();
  const std::string fifo = folder + "/fifo.json", big = folder + "/big.json";
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0600), 0);
  QFile bigFile(QString::fromStdString(big));
  ASSERT_TRUE(bigFile.open(QIODevice::WriteOnly));
  bigFile.write(QByteArray(AlignPlanParser::kMostPlanBytes + 1, ' '));
  bigFile.close();
  const std::string latin1 = folder + "/plan-\xe9.json";  // "plan-é" in Latin-1: not UTF-8
  QFile example(QStringLiteral(VELMORA_EXAMPLE_PLAN));
  ASSERT_TRUE(example.open(QIODevice::ReadOnly));
  const QByteArray plan = example.readAll();
  std::FILE* out = std::fopen(latin1.c_str(), "wb");
  ASSERT_TRUE(out);
  std::fwrite(plan.constData(), 1, std::size_t(plan.size()), out);
  std::fclose(out);

  const std::vector<std::pair<std::string, const char*>> refused = {
      {fifo, "fifo.json: a FIFO"},
      {"/dev/zero", "/dev/zero: a device"},
      {big, "big.json: 1048577 bytes, larger than a plan can be"},
      {folder + "/missing-\xe9.json", "/missing-\\xE9.json': No such file"},
  };
  for (const auto& [path, error] : refused) {
    const AlignPlanParse parse = AlignPlanParser::LoadFile(path);
    EXPECT_FALSE(parse.plan) << path;
    EXPECT_TRUE(parse.error.contains(QString::fromUtf8(error))) << parse.error.toStdString();
  }
  const AlignPlanParse read = AlignPlanParser::LoadFile(latin1);
  EXPECT_TRUE(read.plan) << read.error.toStdString();
}

TEST(PlanParser, HashNamesTheFileNotThePlan) {
  const QJsonObject json = ExampleJson();
  const auto compact = AlignPlanParser::Parse(QJsonDocument(json).toJson(QJsonDocument::Compact));
  const auto indented = AlignPlanParser::Parse(QJsonDocument(json).toJson());
  ASSERT_TRUE(compact.plan && indented.plan);
  EXPECT_EQ(compact.plan->sha256.size(), 64);
  EXPECT_NE(compact.plan->sha256, indented.plan->sha256);
}

struct Chosen {
  AlignPlan::Points points;
  std::vector<int> listed;
  int band;
  std::vector<int> expected;
};

TEST(PlanParser, ChosenPointsFollowTheTransmitLimits) {
  CalibrationImage image;
  image.LoadDefaults();  // A: 136 + 3k within 136..174; B: 400 + 5k within 400..470
  const std::vector<Chosen> rows = {
      {AlignPlan::Points::InsideTransmitLimits, {}, 0, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}},
      {AlignPlan::Points::InsideTransmitLimits,
       {},
       1,
       {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14}},
      {AlignPlan::Points::All, {}, 1, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
      {AlignPlan::Points::Listed, {15, 2}, 0, {15, 2}},
  };
  for (const Chosen& row : rows) {
    AlignPlan plan;
    plan.points = row.points;
    plan.listedPoints = row.listed;
    EXPECT_EQ(TableRun::ChosenPoints(plan, image, row.band), row.expected);
  }
  image.WriteBcd16(layout::kTxLowA, 140);  // 139 falls out, 142 stays
  image.WriteBcd16(layout::kTxHighA, 145);
  EXPECT_EQ(TableRun::ChosenPoints(AlignPlan{}, image, 0), (std::vector<int>{2, 3}));
}

}  // namespace
}  // namespace velmora::test
