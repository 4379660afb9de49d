#include "core/CalibrationFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "core/AtomicFile.h"

namespace velmora {
namespace {

FileResult Failure(int error) { return {FileResult::Status::Failed, std::strerror(error)}; }

}  // namespace

FileResult CalibrationFile::SaveToFile(CalibrationImage& image, const std::string& path,
                                       const std::function<void()>& storeUserInterface) {
  if (storeUserInterface) storeUserInterface();
  const auto bytes = image.ToBytes();
  const int error = AtomicFile::Write(path, bytes);
  return error == 0 ? FileResult{} : Failure(error);
}

FileResult CalibrationFile::LoadFromFile(CalibrationImage& image, const std::string& path,
                                         const std::function<void()>& refreshUserInterface) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return {FileResult::Status::NotOpened, std::strerror(errno)};
  CalibrationImage::Bytes buffer{};
  std::size_t got = 0;
  while (got < buffer.size()) {
    const ssize_t n = ::read(fd, buffer.data() + got, buffer.size() - got);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) {
      const int error = errno;
      ::close(fd);
      return Failure(error);  // the image stays as it was
    }
    if (n == 0) break;
    got += static_cast<std::size_t>(n);
  }
  struct stat info {};
  const std::uintmax_t size =
      ::fstat(fd, &info) == 0 ? static_cast<std::uintmax_t>(info.st_size) : got;
  ::close(fd);
  image.AssignBytes(std::span<const std::uint8_t>(buffer.data(), got));
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
