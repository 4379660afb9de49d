#include "cli/ReadOutputFile.h"

#include "core/CalibrationFile.h"
#include "core/SafeFile.h"
#include "transfer/RescueFile.h"

namespace velmora {

bool ReadOutputFile::Check(const std::string& path, std::ostream& err) {
  const FileResult result = CalibrationFile::CheckSaveTarget(path);
  if (!result.ok()) {
    err << SafeFile::Shown(path) << ": " << result.error << "; the radio was not read\n";
  }
  return result.ok();
}

bool ReadOutputFile::Save(const std::string& path, CalibrationImage& image, std::ostream& err,
                          std::string* failure) {
  const FileResult saved = CalibrationFile::SaveToFile(image, path, {});
  if (saved.ok()) return true;
  if (failure) *failure = saved.error;
  err << SafeFile::Shown(path) << ": " << saved.error << "\n";
  QString rescue;
  const FileResult kept =
      RescueFile::Save(image, QStringLiteral("COM%1").arg(image.portNumber()), rescue);
  if (kept.ok()) {
    err << "what was read is saved in " << SafeFile::Shown(rescue.toStdString()) << "\n";
  } else {
    err << "what was read is lost: the rescue file " << kept.error << "\n";
  }
  return false;
}

}  // namespace velmora
