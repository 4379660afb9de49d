#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>

#include "radio/PortNames.h"

namespace velmora::test {
namespace {

namespace fs = std::filesystem;

// A /dev and /sys pair in a temporary folder.
class PortNamesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root =
        fs::temp_directory_path() /
        ("velmora-portnames-" + std::to_string(::testing::UnitTest::GetInstance()->random_seed()) +
         "-" + ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    fs::create_directories(root / "dev");
    for (const char* node : {"ttyUSB10", "ttyUSB2", "ttyACM0", "ttyS0", "ttyS1", "ttyS2", "ttyS10",
                             "ttyS3", "ttyUSBx", "tty5", "ttyprintk"}) {
      std::ofstream(root / "dev" / node) << "";
    }
    // ttyS3 has no type entry and is no terminal: it has no UART either.
    for (const auto& [tty, type] : std::map<std::string, std::string>{
             {"ttyS0", "4"}, {"ttyS1", "0"}, {"ttyS2", "0"}, {"ttyS10", "4"}}) {
      fs::create_directories(root / "sys/class/tty" / tty);
      std::ofstream(root / "sys/class/tty" / tty / "type") << type << "\n";
    }
    // An adapter's port sits below its USB interface, a modem's terminal on the interface.
    AddUsb("ttyUSB2", "1-1", "1-1:1.0/ttyUSB2", {"0403", "6001", "A50285BI", "FT232R USB UART"});
    AddUsb("ttyACM0", "1-2", "1-2:1.0", {"2e8a", "000a", "", "Pico"});
  }
  void AddUsb(const std::string& tty, const std::string& usbDevice, const std::string& below,
              const std::vector<std::string>& idsSerialProduct) {
    const fs::path device = root / "sys/devices/pci0000:00/usb1" / usbDevice;
    fs::create_directories(device / below);
    const char* files[] = {"idVendor", "idProduct", "serial", "product"};
    for (std::size_t i = 0; i < idsSerialProduct.size(); ++i) {
      if (!idsSerialProduct[i].empty())
        std::ofstream(device / files[i]) << idsSerialProduct[i] << "\n";
    }
    fs::create_directories(root / "sys/class/tty" / tty);
    fs::create_directory_symlink(device / below, root / "sys/class/tty" / tty / "device");
  }
  void TearDown() override { fs::remove_all(root); }

  PortNames Names(std::map<std::string, std::string> environment = {}) const {
    return PortNames((root / "dev").string(), (root / "sys").string(),
                     [environment](const std::string& variable) -> std::optional<std::string> {
                       const auto it = environment.find(variable);
                       if (it == environment.end()) {
                         return std::nullopt;
                       }
                       return it->second;
                     });
  }
  std::string Dev(const char* node) const { return (root / "dev" / node).string(); }

  fs::path root;
};

TEST_F(PortNamesTest, ListsUsbAdaptersFirstThenPortsWithAUart) {
  EXPECT_EQ(Names().Devices(),
            (std::vector<std::string>{Dev("ttyUSB2"), Dev("ttyUSB10"), Dev("ttyACM0"), Dev("ttyS0"),
                                      Dev("ttyS10")}));
}

TEST_F(PortNamesTest, ResolvesComNumbersInThatOrder) {
  const auto names = Names();
  const std::vector<std::pair<std::string, std::string>> cases = {{"COM1", Dev("ttyUSB2")},
                                                                  {"COM2", Dev("ttyUSB10")},
                                                                  {"COM3", Dev("ttyACM0")},
                                                                  {"COM5", Dev("ttyS10")},
                                                                  {"COM6", ""},
                                                                  {"COM0", ""},
                                                                  {"/dev/pts/4", "/dev/pts/4"}};
  for (const auto& [name, device] : cases) {
    EXPECT_EQ(names.Resolve(name), device) << name;
  }
}

TEST_F(PortNamesTest, TheEnvironmentOverridesAComNumber) {
  const auto names = Names({{"VELMORA_COM2", "/dev/pts/7"}, {"VELMORA_COM9", "/dev/pts/9"}});
  EXPECT_EQ(names.Resolve("COM2"), "/dev/pts/7");
  EXPECT_EQ(names.Resolve("COM9"), "/dev/pts/9");
  EXPECT_EQ(names.Resolve("COM1"), Dev("ttyUSB2"));
}

// The window's port list asks once for all its entries; each resolves as on its own.
TEST_F(PortNamesTest, DescribesAndResolvesEachNameFromOneListing) {
  const auto names = Names({{"VELMORA_COM2", "/dev/pts/7"}});
  const std::vector<std::string> asked = {"COM1", "COM2", "COM3", "COM6", "/dev/pts/4"};
  const std::vector<std::string> devices = {Dev("ttyUSB2"), "/dev/pts/7", Dev("ttyACM0"), "",
                                            "/dev/pts/4"};
  EXPECT_EQ(names.ResolveEach(asked), devices);
  EXPECT_EQ(names.DescribeEach(asked),
            (std::vector<std::string>{"FT232R USB UART", "/dev/pts/7", "Pico", "", "/dev/pts/4"}));
}

// What the USB device above each terminal tells; built-in ports and bare nodes tell nothing.
TEST_F(PortNamesTest, ListsWhatTheUsbDeviceBehindEachPortTells) {
  using Row = std::vector<std::string>;
  std::vector<Row> rows;
  for (const auto& d : Names().Listed()) {
    rows.push_back({d.path, d.vendorId, d.productId, d.serialNumber, d.description});
  }
  EXPECT_EQ(rows, (std::vector<Row>{{Dev("ttyUSB2"), "0403", "6001", "A50285BI", "FT232R USB UART"},
                                    {Dev("ttyUSB10"), "", "", "", ""},
                                    {Dev("ttyACM0"), "2e8a", "000a", "", "Pico"},
                                    {Dev("ttyS0"), "", "", "", ""},
                                    {Dev("ttyS10"), "", "", "", ""}}));
}

TEST(PortNamesEmpty, ASystemWithoutSerialDevicesResolvesNoComName) {
  const PortNames names("/nonexistent-velmora-dev", "/nonexistent-velmora-sys",
                        [](const std::string&) { return std::nullopt; });
  EXPECT_TRUE(names.Devices().empty());
  EXPECT_EQ(names.Resolve("COM1"), "");
}

TEST(PortNamesComNumber, AcceptsOnlyComFollowedByDigits) {
  const std::vector<std::pair<std::string, std::optional<int>>> cases = {
      {"COM1", 1},
      {"COM12", 12},
      {"COM0", 0},
      {"COM", std::nullopt},
      {"COMx", std::nullopt},
      {"com1", std::nullopt},
      {"COM-1", std::nullopt},
      {"COM1a", std::nullopt},
      {" COM1", std::nullopt},
      {"COM99999999999", std::nullopt}};
  for (const auto& [name, number] : cases) {
    EXPECT_EQ(PortNames::ComNumber(name), number) << name;
  }
}

}  // namespace
}  // namespace velmora::test
