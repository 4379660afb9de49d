#include "transfer/BackupFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <algorithm>
#include <utility>
#include <vector>

#include "transfer/DataFolder.h"

namespace velmora {
namespace {

constexpr int kPruneAgeYears = 1;  // backups younger than this are always kept
const QString kTimeFormat = QStringLiteral("yyyyMMdd-HHmmss");

QString RadioTag(const std::string& identification) {
  return QString::fromLatin1(QByteArray::fromStdString(identification).toHex().toUpper());
}

}  // namespace

QString BackupFile::Folder(QString* problem) {
  return DataFolder::Location(QStringLiteral("backups"), problem);
}

QString BackupFile::NewPath(const QString& folder, const QDateTime& when, const QString& port) {
  return DataFolder::NewFilePathIn(folder, when, port);
}

FileResult BackupFile::Save(const CalibrationImage::Bytes& bytes, const QString& folder,
                            const QDateTime& when, const QString& port, QString& path,
                            SafeFile::Access access) {
  return DataFolder::SaveNewIn(folder, access, when, port, bytes, path);
}

QString BackupFile::Tag(const QString& port, const std::string& identification) {
  return port + QLatin1Char('-') + RadioTag(identification);
}

QStringList BackupFile::Prune(const QString& folder, const std::string& identification, int keep,
                              const QDateTime& now, const QString& justMade) {
  const QRegularExpression name(
      QStringLiteral("^(\\d{8}-\\d{6})-[A-Za-z0-9]+-%1(?:-(\\d+))?\\.dat$")
          .arg(RadioTag(identification)));
  // (time in the name, same-second number): the newest first.
  std::vector<std::pair<std::pair<QDateTime, int>, QString>> backups;
  const QDir dir(folder);
  for (const QString& file : dir.entryList(QDir::Files | QDir::NoDotAndDotDot)) {
    const auto match = name.match(file);
    if (!match.hasMatch()) continue;
    const QDateTime when = QDateTime::fromString(match.captured(1), kTimeFormat);
    if (!when.isValid()) continue;
    const int number = match.captured(2).isEmpty() ? 1 : match.captured(2).toInt();
    backups.push_back({{when, number}, dir.filePath(file)});
  }
  std::sort(backups.begin(), backups.end(),
            [](const auto& a, const auto& b) { return a.first > b.first; });
  const QDateTime cutoff = now.addYears(-kPruneAgeYears);
  QStringList removed;
  for (std::size_t i = static_cast<std::size_t>(std::max(keep, 0)); i < backups.size(); ++i) {
    const auto& [key, path] = backups[i];
    if (key.first >= cutoff || QFileInfo(path) == QFileInfo(justMade)) continue;
    if (QFile::remove(path)) removed << path;
  }
  return removed;
}

}  // namespace velmora
