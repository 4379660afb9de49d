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

FileResult Refusal(const std::string& kind) {
  return {FileResult::Status::Refused, kind + ", not a calibration file"};
}

FileResult FromAtomic(const AtomicFile::Result& result) {
  if (!result.refusal.empty()) return Refusal(result.refusal);
  return result.error == 0 ? FileResult{} : Failure(result.error);
}

}  // namespace

FileResult CalibrationFile::SaveToFile(CalibrationImage& image, const std::string& path,
                                       const std::function<void()>& storeUserInterface) {
  if (storeUserInterface) storeUserInterface();
  const auto bytes = image.ToBytes();
  return FromAtomic(AtomicFile::Write(path, bytes));
}

FileResult CalibrationFile::CheckSaveTarget(const std::string& path) {
  return FromAtomic(AtomicFile::CheckWritable(path));
}

FileResult CalibrationFile::LoadFromFile(CalibrationImage& image, const std::string& path,
                                         const std::function<void()>& refreshUserInterface) {
  // Looked at before opening: opening a device can itself act (a serial port raises its lines).
  struct stat info {};
  if (::stat(path.c_str(), &info) == 0 && !S_ISREG(info.st_mode)) {
    return Refusal(AtomicFile::KindOf(info.st_mode));
  }
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return {FileResult::Status::NotOpened, std::strerror(errno)};
  if (::fstat(fd, &info) != 0) {
    const int error = errno;
    ::close(fd);
    return Failure(error);
  }
  if (!S_ISREG(info.st_mode)) {
    ::close(fd);
    return Refusal(AtomicFile::KindOf(info.st_mode));
  }
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
  ::close(fd);
  image.AssignBytes(std::span<const std::uint8_t>(buffer.data(), got));
  if (refreshUserInterface) refreshUserInterface();
  FileResult result;
  result.fileSize = static_cast<std::uintmax_t>(info.st_size);
  return result;
}

std::string CalibrationFile::WithDatExtension(std::string path) {
  if (path.find(".dat") == std::string::npos) path += ".dat";
  return path;
}

}  // namespace velmora
