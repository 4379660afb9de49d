#include "cli/CliImage.h"

#include "core/CalibrationFile.h"

namespace velmora {

bool CliImage::Load(const std::string& path, CalibrationImage& image, Size size,
                    std::ostream& err) {
  image.LoadDefaults();
  const FileResult result = CalibrationFile::LoadFromFile(image, path, {});
  if (!result.ok()) {
    err << path << ": " << result.error << "\n";
    return false;
  }
  if (result.fileSize == layout::kImageSize) return true;
  if (size == Size::Exact) {
    err << path << ": " << result.fileSize << " bytes, not a " << layout::kImageSize
        << "-byte calibration file (use --force to load its first bytes anyway)\n";
    return false;
  }
  err << path << ": note: " << result.fileSize
      << " bytes; only the leading bytes replace the defaults\n";
  return true;
}

bool CliImage::Save(const std::string& path, CalibrationImage& image, std::ostream& err) {
  const FileResult result = CalibrationFile::SaveToFile(image, path, {});
  if (!result.ok()) err << path << ": " << result.error << "\n";
  return result.ok();
}

}  // namespace velmora
