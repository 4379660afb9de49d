#include "radio/PortNames.h"

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <system_error>
#include <tuple>
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

// A system file's first line ("" when there is none).
std::string FirstLine(const std::filesystem::path& file) {
  std::ifstream in(file);
  std::string line;
  std::getline(in, line);
  return line;
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

std::string PortNames::Resolve(const std::string& name) const { return ResolveIn(name, nullptr); }

std::string PortNames::ResolveIn(const std::string& name, const std::vector<Device>* listed) const {
#if defined(_WIN32)
  (void)listed;
  return name;  // COM names are the devices themselves
#else
  const auto number = ComNumber(name);
  if (!number) {
    return name;
  }
  if (auto path = m_environment(VariableName(*number))) {
    return *path;
  }
  const std::vector<Device> walked = listed ? std::vector<Device>() : Listed();
  const std::vector<Device>& devices = listed ? *listed : walked;
  if (*number < 1 || static_cast<std::size_t>(*number) > devices.size()) {
    return {};
  }
  return devices[static_cast<std::size_t>(*number - 1)].path;
#endif
}

std::vector<std::string> PortNames::Devices() const {
  std::vector<std::string> paths;
  for (Device& device : Listed()) paths.push_back(std::move(device.path));
  return paths;
}

// USB adapters first (ttyUSB*, then ttyACM*), then built-in ttyS* ports with a UART, each group
// in numeric order; other kinds of device (Bluetooth, consoles) are no programming cable.
std::vector<PortNames::Device> PortNames::Listed() const {
  static constexpr std::string_view kGroups[] = {"ttyUSB", "ttyACM", "ttyS"};
  std::vector<std::tuple<std::size_t, int, Device>> ordered;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(m_devRoot, error)) {
    const std::string name = entry.path().filename().string();
    for (std::size_t group = 0; group < std::size(kGroups); ++group) {
      const auto number = NumberAfter(name, kGroups[group]);
      const bool builtIn = kGroups[group] == "ttyS";
      if (!number || (builtIn && !HasUart(name))) continue;
      Device device{entry.path().string(), {}, {}, {}, {}};
      if (!builtIn) DescribeUsb(name, device);
      ordered.emplace_back(group, *number, std::move(device));
      break;
    }
  }
  std::sort(ordered.begin(), ordered.end(), [](const auto& a, const auto& b) {
    return std::tie(std::get<0>(a), std::get<1>(a)) < std::tie(std::get<0>(b), std::get<1>(b));
  });
  std::vector<Device> devices;
  for (auto& entry : ordered) devices.push_back(std::move(std::get<2>(entry)));
  return devices;
}

std::string PortNames::Describe(const std::string& name) const {
  return DescribeEach({name}).front();
}

std::vector<std::string> PortNames::ResolveEach(const std::vector<std::string>& names) const {
  const std::vector<Device> listed = Listed();
  std::vector<std::string> paths;
  for (const std::string& name : names) paths.push_back(ResolveIn(name, &listed));
  return paths;
}

std::vector<std::string> PortNames::DescribeEach(const std::vector<std::string>& names) const {
  const std::vector<Device> listed = Listed();
  std::vector<std::string> described;
  for (const std::string& name : names) {
    const std::string path = ResolveIn(name, &listed);
    const auto device = std::find_if(listed.begin(), listed.end(), [&](const Device& d) {
      return d.path == path && !d.description.empty();
    });
    described.push_back(device != listed.end() ? device->description : path);
  }
  return described;
}

void PortNames::DescribeUsb(const std::string& ttyName, Device& device) const {
  // The terminal hangs off a USB interface (an adapter's port may sit one level lower), and the
  // interface off the USB device that holds the ids and names.
  constexpr int kLevelsToTheUsbDevice = 3;
  std::error_code error;
  auto at = std::filesystem::canonical(
      std::filesystem::path(m_sysRoot) / "class" / "tty" / ttyName / "device", error);
  for (int level = 0; !error && level < kLevelsToTheUsbDevice; ++level, at = at.parent_path()) {
    if (!std::filesystem::exists(at / "idVendor", error)) continue;
    device.vendorId = FirstLine(at / "idVendor");
    device.productId = FirstLine(at / "idProduct");
    device.serialNumber = FirstLine(at / "serial");
    device.description = FirstLine(at / "product");
    return;
  }
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
