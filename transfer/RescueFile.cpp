#include "transfer/RescueFile.h"

#include <QDateTime>

#include "transfer/DataFolder.h"

namespace velmora {

FileResult RescueFile::Save(CalibrationImage& image, const QString& tag, QString& path) {
  QString problem;
  const QString folder = DataFolder::Location(QStringLiteral("rescue"), &problem);
  if (folder.isEmpty()) return {FileResult::Status::Failed, problem.toStdString()};
  return DataFolder::SaveNewIn(folder, SafeFile::Access::Private, QDateTime::currentDateTime(), tag,
                               image.ToBytes(), path);
}

}  // namespace velmora
