#include "instrument/SettingsFile.h"

#include <QStandardPaths>

#include "instrument/FileKind.h"
#include "instrument/InstrumentText.h"

namespace velmora {
namespace {

const QString kFolder = QStringLiteral("/Velmora/");

}  // namespace

QString SettingsFile::Folder() {
  return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + kFolder;
}

QString SettingsFile::Path() { return Folder() + QStringLiteral("velmora.conf"); }

QString SettingsFile::Fault() {
  const FileKind::Kind kind = FileKind::Of(Path());
  if (kind == FileKind::Kind::Missing || kind == FileKind::Kind::Regular) return {};
  return QStringLiteral("%1: %2, not a settings file")
      .arg(InstrumentText::Shown(Path()), FileKind::Describe(kind));
}

std::unique_ptr<QSettings> SettingsFile::Open() {
  if (!Fault().isEmpty()) return std::make_unique<QSettings>(QString(), QSettings::IniFormat);
  const bool fresh = FileKind::Of(Path()) == FileKind::Kind::Missing;
  auto settings = std::make_unique<QSettings>(Path(), QSettings::IniFormat);
  if (fresh) CarryOverOldFiles(*settings);
  return settings;
}

// The window's settings first, then the meter's; a key in both keeps the meter's.
void SettingsFile::CarryOverOldFiles(QSettings& settings) {
  for (const QString& name : {QStringLiteral("velmora.ini"), QStringLiteral("Velmora.conf")}) {
    const QString old = Folder() + name;
    if (FileKind::Of(old) != FileKind::Kind::Regular) continue;
    const QSettings previous(old, QSettings::IniFormat);
    for (const QString& key : previous.allKeys()) settings.setValue(key, previous.value(key));
  }
  settings.sync();
}

}  // namespace velmora
