#include <gtest/gtest.h>
#include <sys/stat.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cmath>
#include <limits>

#include "instrument/InstrumentSettings.h"
#include "instrument/MeterDialect.h"
#include "instrument/SettingsFile.h"

namespace velmora {
namespace {

// A config folder of the test's own, as XDG_CONFIG_HOME names it to the programs.
class ConfigFolder {
 public:
  ConfigFolder() {
    qputenv("XDG_CONFIG_HOME", m_dir.path().toUtf8());
    QDir(m_dir.path()).mkpath(QStringLiteral("Velmora"));
  }
  ~ConfigFolder() { qunsetenv("XDG_CONFIG_HOME"); }
  QString Path(const char* name) const { return m_dir.filePath(QStringLiteral("Velmora/") + name); }
  void Write(const char* name, const QByteArray& bytes) const {
    QFile file(Path(name));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
  }

 private:
  QTemporaryDir m_dir;
};

// The settings file is read only when it is a file: a FIFO would hold every command until a
// writer came, a folder or a device is no settings file. Such a file is named and left alone.
TEST(SettingsFile, WhatIsNoRegularFileIsRefusedNotWaitedOn) {
  const std::vector<std::pair<const char*, const char*>> cases = {
      {"fifo", "velmora.conf: a FIFO, not a settings file"},
      {"folder", "velmora.conf: a folder, not a settings file"},
      {"device", "velmora.conf: a character device, not a settings file"},
  };
  for (const auto& [kind, error] : cases) {
    ConfigFolder config;
    const QByteArray path = QFile::encodeName(SettingsFile::Path());
    const bool made = kind == std::string("fifo") ? ::mkfifo(path.constData(), 0600) == 0
                      : kind == std::string("folder")
                          ? QDir().mkdir(SettingsFile::Path())
                          : QFile::link("/dev/null", SettingsFile::Path());
    ASSERT_TRUE(made) << kind;
    EXPECT_TRUE(SettingsFile::Fault().endsWith(QString::fromLatin1(error)))
        << kind << ": " << SettingsFile::Fault().toStdString();
    auto settings = SettingsFile::Open();
    settings->setValue(QStringLiteral("instruments/meterUrl"), QStringLiteral("sim:"));
    settings->sync();
    EXPECT_EQ(settings->value(QStringLiteral("instruments/meterUrl")), QStringLiteral("sim:"));
    EXPECT_FALSE(QFileInfo(SettingsFile::Path()).isFile()) << kind;
  }
}

// The window's old velmora.ini and the meter's old Velmora.conf come into velmora.conf once;
// what changes in an old file afterwards is not taken again.
TEST(SettingsFile, OldFilesAreCarriedOverOnce) {
  ConfigFolder config;
  config.Write("velmora.ini", "[files]\nlastFolder=/bench/dat\n[window]\nbandTab=1\n");
  config.Write("Velmora.conf", "[instruments]\nmeterUrl=tcp://127.0.0.1:5025\nattenuatorDb=30\n");
  {
    auto settings = SettingsFile::Open();
    EXPECT_EQ(settings->value("files/lastFolder").toString(), "/bench/dat");
    EXPECT_EQ(settings->value("window/bandTab").toInt(), 1);
    const InstrumentSettings meter = InstrumentSettings::Load(*settings);
    EXPECT_EQ(meter.meterUrl, "tcp://127.0.0.1:5025");
    EXPECT_EQ(meter.attenuatorDb, 30.0);
    settings->setValue("window/bandTab", 0);
  }
  EXPECT_TRUE(QFileInfo(SettingsFile::Path()).isFile());
  config.Write("Velmora.conf", "[instruments]\nmeterUrl=sim:\n");
  auto again = SettingsFile::Open();
  EXPECT_EQ(again->value("instruments/meterUrl").toString(), "tcp://127.0.0.1:5025");
  EXPECT_EQ(again->value("window/bandTab").toInt(), 0);
}

// An offset that is not a finite number of dB a bench attenuator can have never reaches a meter,
// whether typed or stored.
TEST(InstrumentSettings, OffsetsNoAttenuatorHasAreRefused) {
  const std::vector<std::pair<QByteArray, bool>> stored = {
      {"30", true},    {"-20", true},    {"100", true},    {"nan", false},  {"inf", false},
      {"-inf", false}, {"1e308", false}, {"100.5", false}, {"-101", false}, {"thirty", false},
  };
  for (const auto& [text, fine] : stored) {
    ConfigFolder config;
    config.Write("velmora.conf", "[instruments]\nattenuatorDb=" + text + "\n");
    const InstrumentSettings settings = InstrumentSettings::Load(*SettingsFile::Open());
    EXPECT_EQ(settings.Fault().isEmpty(), fine) << text.toStdString();
    EXPECT_EQ(settings.Fault().contains("outside -100..100 dB"), !fine) << text.toStdString();
  }
}

// The user's dialects come before the built-in ones: a new family is added, a built-in one can
// be replaced, and each says where it comes from. A broken table is named, not skipped.
TEST(MeterDialect, TheUsersTableComesFirst) {
  ConfigFolder config;
  const QByteArray family = R"({"description": "Long-form SCPI", "identify": "*IDN?",
      "reset": "*RST", "clearStatus": "*CLS", "configure": "CONFigure:POWer:AC",
      "unitsWatts": "UNIT:POWer W", "averaging": "SENSe:AVERage:COUNt {count}",
      "offset": "SENSe:CORRection:OFFSet {db}", "frequency": "SENSe:FREQuency:CW {hz}",
      "zero": "CALibration:ZERO:AUTO ONCE", "waitDone": "*OPC?", "read": "MEASure:POWer:AC?",
      "nextError": "SYSTem:ERRor:NEXT?"})";
  config.Write("dialects.json", "{\"long-form\": " + family + ", \"scpi-1999\": " +
                                    QByteArray(family).replace("Long-form", "Replaced") + "}");
  QString error;
  const std::vector<MeterDialect> all = MeterDialect::All(error);
  EXPECT_TRUE(error.isEmpty()) << error.toStdString();
  ASSERT_EQ(all.size(), 2u);
  EXPECT_EQ(all[0].name, "long-form");
  EXPECT_EQ(all[0].read, "MEASure:POWer:AC?");
  EXPECT_EQ(all[0].source, config.Path("dialects.json"));
  EXPECT_EQ(all[1].description, "Replaced SCPI");
  EXPECT_EQ(MeterDialect::Find("long-form", error)->frequency, "SENSe:FREQuency:CW {hz}");

  const std::vector<std::pair<QByteArray, const char*>> broken = {
      {"{\"long-form\": ", "dialects.json: not a JSON object of dialects"},
      {"[1]", "dialects.json: not a JSON object of dialects"},
      {"{\"long-form\": " + QByteArray(family).replace("MEASure", "\\nMEASure") + "}",
       "has no \"read\" command in printable ASCII"},
  };
  for (const auto& [text, message] : broken) {
    config.Write("dialects.json", text);
    EXPECT_FALSE(MeterDialect::Find("long-form", error));
    EXPECT_TRUE(error.contains(QString::fromLatin1(message))) << error.toStdString();
  }
  ASSERT_TRUE(QFile::remove(config.Path("dialects.json")));
  EXPECT_EQ(MeterDialect::Find("scpi-1999", error)->source, MeterDialect::kBuiltIn);
}

}  // namespace
}  // namespace velmora
