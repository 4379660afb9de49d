#include "ui/UserSettings.h"

#include <QFileInfo>

#include "instrument/SettingsFile.h"

namespace velmora {
namespace {

constexpr const char* kLastFolder = "files/lastFolder";
constexpr const char* kRecentFiles = "files/recent";
constexpr const char* kGeometry = "window/geometry";
constexpr const char* kBandTab = "window/bandTab";
constexpr const char* kLanguage = "window/language";
constexpr const char* kPlanFolder = "align/planFolder";

}  // namespace

UserSettings::UserSettings() : m_settings(SettingsFile::Open()) {}

QString UserSettings::lastFolder() const { return m_settings->value(kLastFolder).toString(); }

QStringList UserSettings::recentFiles() const {
  return m_settings->value(kRecentFiles).toStringList();
}

void UserSettings::fileUsed(const QString& path) {
  const QFileInfo info(path);
  m_settings->setValue(kLastFolder, info.absolutePath());
  QStringList recent = recentFiles();
  recent.removeAll(info.absoluteFilePath());
  recent.prepend(info.absoluteFilePath());
  m_settings->setValue(kRecentFiles, recent.mid(0, kMaxRecentFiles));
}

void UserSettings::forgetRecentFile(const QString& path) {
  QStringList recent = recentFiles();
  recent.removeAll(path);
  m_settings->setValue(kRecentFiles, recent);
}

QString UserSettings::planFolder() const { return m_settings->value(kPlanFolder).toString(); }

void UserSettings::setPlanFolder(const QString& folder) {
  m_settings->setValue(kPlanFolder, folder);
}

QByteArray UserSettings::windowGeometry() const {
  return m_settings->value(kGeometry).toByteArray();
}

void UserSettings::setWindowGeometry(const QByteArray& geometry) {
  m_settings->setValue(kGeometry, geometry);
}

int UserSettings::bandTab() const { return m_settings->value(kBandTab, 0).toInt(); }

void UserSettings::setBandTab(int index) { m_settings->setValue(kBandTab, index); }

std::optional<QtTranslations::Language> UserSettings::language() const {
  return QtTranslations::fromName(m_settings->value(kLanguage).toString());
}

void UserSettings::setLanguage(QtTranslations::Language language) {
  m_settings->setValue(kLanguage, QtTranslations::name(language));
}

}  // namespace velmora
