#include "core/CalibrationFile.h"

#include "core/SafeFile.h"

namespace velmora {
namespace {

FileResult FromSafe(const SafeFile::Result& result, FileResult::Status failed) {
  if (result.ok()) return {};
  if (result.refusal == SafeFile::Refusal::NotRegular) {
    return {FileResult::Status::Refused, result.detail + ", not a calibration file"};
  }
  if (result.refusal != SafeFile::Refusal::None)
    return {FileResult::Status::Refused, result.Text()};
  return {failed, result.Text()};
}

}  // namespace

FileResult CalibrationFile::SaveToFile(CalibrationImage& image, const std::string& path,
                                       const std::function<void()>& storeUserInterface) {
  if (storeUserInterface) storeUserInterface();
  const auto bytes = image.ToBytes();
  return FromSafe(SafeFile::Write(path, bytes), FileResult::Status::Failed);
}

FileResult CalibrationFile::CheckSaveTarget(const std::string& path) {
  return FromSafe(SafeFile::CheckWritable(path), FileResult::Status::Failed);
}

FileResult CalibrationFile::LoadFromFile(CalibrationImage& image, const std::string& path,
                                         const std::function<void()>& refreshUserInterface) {
  std::vector<std::uint8_t> bytes;
  std::uintmax_t size = 0;
  const SafeFile::Result read = SafeFile::Read(path, layout::kImageSize, bytes, size);
  if (!read.ok()) {
    // The image stays as it was.
    return FromSafe(read, read.opened ? FileResult::Status::Failed : FileResult::Status::NotOpened);
  }
  image.AssignBytes(bytes);
  if (refreshUserInterface) refreshUserInterface();
  FileResult result;
  result.fileSize = size;
  return result;
}

std::string CalibrationFile::WithDatExtension(std::string path) {
  if (path.find(".dat") == std::string::npos) path += ".dat";
  return path;
}

}  // namespace velmora
