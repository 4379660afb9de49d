#pragma once

#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace velmora {

// Turns the "COMn" names the program uses into devices. On Windows a COM name is the device. On
// other systems COMn is the path in VELMORA_COM<n> when that is set, else the n-th serial device:
// USB adapters first (ttyUSB*, then ttyACM*, numerically), then the ttyS* ports with a UART.
class PortNames {
 public:
  using Environment = std::function<std::optional<std::string>(const std::string&)>;

  // A serial device and what the system says of the USB device behind it ("" where it says
  // nothing, as for a built-in port).
  struct Device {
    std::string path;
    std::string description;  // the product's own name
    std::string vendorId;     // four hex digits
    std::string productId;
    std::string serialNumber;
  };

  // devRoot and sysRoot default to the running system; tests point them at a fake tree.
  explicit PortNames(std::string devRoot = "/dev", std::string sysRoot = "/sys",
                     Environment environment = ProcessEnvironment);

  // The device for a name: a COM name resolved, any other name unchanged, "" when COMn names no
  // device.
  std::string Resolve(const std::string& name) const;
  // The serial devices in COM order (COM1 first), without the environment overrides.
  std::vector<std::string> Devices() const;
  // The same, with their descriptions.
  std::vector<Device> Listed() const;
  // What the system says about the device COMn names: its description, else its path.
  std::string Describe(const std::string& name) const;
  // Resolve for each name, from at most one walk of the system's serial ports.
  std::vector<std::string> ResolveEach(const std::vector<std::string>& names) const;
  // Describe for each name, from one walk of the system's serial ports.
  std::vector<std::string> DescribeEach(const std::vector<std::string>& names) const;

  static std::optional<std::string> ProcessEnvironment(const std::string& variable);
  // The environment variable that maps COMn to a device: "VELMORA_COM<n>".
  // Header-only, so the simulated radio can publish its ports without the serial library.
  static std::string VariableName(int port) { return "VELMORA_COM" + std::to_string(port); }
  // The port number of "COMn" (n >= 0), or nullopt for any other name.
  static std::optional<int> ComNumber(const std::string& name);

 private:
  // Resolve against devices already listed, or (null) listing them only when the name needs it.
  std::string ResolveIn(const std::string& name, const std::vector<Device>* listed) const;
  bool HasUart(const std::string& ttyName) const;
  // Fills in what the USB device above the terminal tells of itself.
  void DescribeUsb(const std::string& ttyName, Device& device) const;

  std::string m_devRoot;
  std::string m_sysRoot;
  Environment m_environment;
};

}  // namespace velmora
