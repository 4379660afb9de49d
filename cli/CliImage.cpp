#include "cli/CliImage.h"

#include <filesystem>

#include "core/CalibrationFile.h"

namespace velmora {

bool CliImage::Load(const std::string& path, CalibrationImage& image, Size size,
                    std::ostream& err) {
  std::error_code ec;
  const auto bytes = std::filesystem::file_size(path, ec);
  const bool exists = std::filesystem::exists(path);
  if (size == Size::Exact && exists && (ec || bytes != layout::kImageSize)) {
    err << path << ": " << (ec ? "not a regular file" : std::to_string(bytes) + " bytes")
        << ", not a " << layout::kImageSize
        << "-byte calibration file (use --force to load its first bytes anyway)\n";
    return false;
  }
  image.LoadDefaults();
  const FileResult result = CalibrationFile::LoadFromFile(image, path, {});
  if (!result.ok()) {
    err << path << ": " << result.error << "\n";
    return false;
  }
  if (!ec && bytes != layout::kImageSize) {
    err << path << ": note: " << bytes << " bytes; only the leading bytes replace the defaults\n";
  }
  return true;
}

bool CliImage::Save(const std::string& path, CalibrationImage& image, std::ostream& err) {
  const FileResult result = CalibrationFile::SaveToFile(image, path, {});
  if (!result.ok()) err << path << ": " << result.error << "\n";
  return result.ok();
}

}  // namespace velmora
