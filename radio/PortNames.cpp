#include "radio/PortNames.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

#if defined(__linux__)
#include <fcntl.h>
#include <linux/serial.h>
#include <sys/ioctl.h>
#include <unistd.h>
#endif

namespace velmora {

namespace {

constexpr std::string_view kComPrefix = "COM";

// The number after the prefix when the whole rest of the name is decimal digits.
std::optional<int> NumberAfter(std::string_view name, std::string_view prefix) {
  if (name.size() <= prefix.size() || name.substr(0, prefix.size()) != prefix) {
    return std::nullopt;
  }
  const auto digits = name.substr(prefix.size());
  if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; })) {
    return std::nullopt;
  }
  int value = 0;
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), value);
  if (error != std::errc() || end != digits.data() + digits.size()) {
    return std::nullopt;
  }
  return value;
}

}  // namespace

PortNames::PortNames(std::string devRoot, std::string sysRoot, Environment environment)
    : m_devRoot(std::move(devRoot)),
      m_sysRoot(std::move(sysRoot)),
      m_environment(std::move(environment)) {}

std::optional<std::string> PortNames::ProcessEnvironment(const std::string& variable) {
  const char* value = std::getenv(variable.c_str());
  if (value == nullptr || *value == '\0') {
    return std::nullopt;
  }
  return std::string(value);
}

std::optional<int> PortNames::ComNumber(const std::string& name) {
  return NumberAfter(name, kComPrefix);
}

std::string PortNames::Resolve(const std::string& name) const {
#if defined(_WIN32)
  return name;  // COM names are the devices themselves
#else
  const auto number = ComNumber(name);
  if (!number) {
    return name;
  }
  if (auto path = m_environment(VariableName(*number))) {
    return *path;
  }
  const auto devices = Devices();
  if (*number < 1 || static_cast<std::size_t>(*number) > devices.size()) {
    return {};
  }
  return devices[static_cast<std::size_t>(*number - 1)];
#endif
}

std::vector<std::string> PortNames::Devices() const {
  std::vector<std::string> devices = Numbered("ttyUSB");
  const auto acm = Numbered("ttyACM");
  devices.insert(devices.end(), acm.begin(), acm.end());
  for (const auto& path : Numbered("ttyS")) {
    if (HasUart(std::filesystem::path(path).filename().string())) {
      devices.push_back(path);
    }
  }
  return devices;
}

std::vector<std::string> PortNames::Numbered(const std::string& prefix) const {
  std::vector<std::pair<int, std::string>> found;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(m_devRoot, error)) {
    const auto name = entry.path().filename().string();
    if (const auto number = NumberAfter(name, prefix)) {
      found.emplace_back(*number, entry.path().string());
    }
  }
  std::sort(found.begin(), found.end());
  std::vector<std::string> paths;
  for (auto& [number, path] : found) {
    paths.push_back(std::move(path));
  }
  return paths;
}

bool PortNames::HasUart(const std::string& ttyName) const {
  // The kernel lists every possible 8250 port; only those with a UART type other than 0
  // (unknown) have hardware behind them.
  std::ifstream typeFile(std::filesystem::path(m_sysRoot) / "class" / "tty" / ttyName / "type");
  int type = 0;
  if (typeFile >> type) {
    return type != 0;
  }
#if defined(__linux__)
  const auto path = (std::filesystem::path(m_devRoot) / ttyName).string();
  const int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK);
  if (fd < 0) {
    return false;
  }
  serial_struct info{};
  const bool present = ::ioctl(fd, TIOCGSERIAL, &info) == 0 && info.type != PORT_UNKNOWN;
  ::close(fd);
  return present;
#else
  return false;
#endif
}

}  // namespace velmora
