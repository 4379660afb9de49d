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

QString UserSettings::LastFolder() const { return m_settings->value(kLastFolder).toString(); }

QStringList UserSettings::RecentFiles() const {
  return m_settings->value(kRecentFiles).toStringList();
}

void UserSettings::FileUsed(const QString& path) {
  const QFileInfo info(path);
  m_settings->setValue(kLastFolder, info.absolutePath());
  QStringList recent = RecentFiles();
  recent.removeAll(info.absoluteFilePath());
  recent.prepend(info.absoluteFilePath());
  m_settings->setValue(kRecentFiles, recent.mid(0, kMaxRecentFiles));
}

void UserSettings::ForgetRecentFile(const QString& path) {
  QStringList recent = RecentFiles();
  recent.removeAll(path);
  m_settings->setValue(kRecentFiles, recent);
}

QString UserSettings::PlanFolder() const { return m_settings->value(kPlanFolder).toString(); }

void UserSettings::SetPlanFolder(const QString& folder) {
  m_settings->setValue(kPlanFolder, folder);
}

QByteArray UserSettings::WindowGeometry() const {
  return m_settings->value(kGeometry).toByteArray();
}

void UserSettings::SetWindowGeometry(const QByteArray& geometry) {
  m_settings->setValue(kGeometry, geometry);
}

int UserSettings::BandTab() const { return m_settings->value(kBandTab, 0).toInt(); }

void UserSettings::SetBandTab(int index) { m_settings->setValue(kBandTab, index); }

std::optional<QtTranslations::Language> UserSettings::Language() const {
  return QtTranslations::FromName(m_settings->value(kLanguage).toString());
}

void UserSettings::SetLanguage(QtTranslations::Language language) {
  m_settings->setValue(kLanguage, QtTranslations::Name(language));
}

}  // namespace velmora
