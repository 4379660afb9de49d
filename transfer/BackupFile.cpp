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

constexpr int kMaxSameSecond = 1000;  // names tried for backups made within one second
constexpr int kPruneAgeYears = 1;     // backups younger than this are always kept
const QString kTimeFormat = QStringLiteral("yyyyMMdd-HHmmss");

}  // namespace

QString BackupFile::Folder() { return DataFolder::location(QStringLiteral("backups")); }

QString BackupFile::NewPath(const QString& folder, const QDateTime& when, const QString& port) {
  return DataFolder::newFilePathIn(folder, when, port);
}

FileResult BackupFile::Save(const CalibrationImage::Bytes& bytes, const QString& folder,
                            const QDateTime& when, const QString& port, QString& path) {
  if (!QDir().mkpath(folder)) {
    return {FileResult::Status::Failed, "cannot create the folder " + folder.toStdString()};
  }
  // The name is claimed first, so two writes in one second never share a backup.
  QFile claim;
  for (int attempt = 0; attempt < kMaxSameSecond; ++attempt) {
    path = NewPath(folder, when, port);
    claim.setFileName(path);
    if (claim.open(QIODevice::WriteOnly | QIODevice::NewOnly) || !QFile::exists(path)) break;
  }
  if (!claim.isOpen()) {
    return {FileResult::Status::Failed,
            path.toStdString() + ": " + claim.errorString().toStdString()};
  }
  claim.close();
  CalibrationImage image;
  image.AssignBytes(bytes);
  FileResult result = CalibrationFile::SaveToFile(image, path.toStdString(), {});
  if (!result.ok()) QFile::remove(path);
  return result;
}

QStringList BackupFile::Prune(const QString& folder, const QString& port, int keep,
                              const QDateTime& now, const QString& justMade) {
  const QRegularExpression name(QStringLiteral("^(\\d{8}-\\d{6})-%1(?:-(\\d+))?\\.dat$")
                                    .arg(QRegularExpression::escape(port)));
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
