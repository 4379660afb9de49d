#include "transfer/RescueFile.h"

#include <QDateTime>

#include "transfer/DataFolder.h"

namespace velmora {

FileResult RescueFile::Save(CalibrationImage& image, const QString& tag, QString& path) {
  path = DataFolder::newFilePath(QStringLiteral("rescue"), QDateTime::currentDateTime(), tag);
  if (path.isEmpty()) return {FileResult::Status::Failed, "no data folder"};
  return CalibrationFile::SaveToFile(image, path.toStdString(), {});
}

}  // namespace velmora
