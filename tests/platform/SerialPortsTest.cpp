// The serial port listing, over a made-up sysfs tree laid out like the kernel's.
#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "platform/posix/SerialPortsSysfs.h"

namespace quorin::platform {
namespace {

namespace fs = std::filesystem;

class FakeSysfs : public ::testing::Test {
 protected:
  void SetUp() override {
    root = fs::temp_directory_path() /
           ("quorin-sysfs-" + std::to_string(::getpid()) + "-" +
            ::testing::UnitTest::GetInstance()->current_test_info()->name());
    fs::remove_all(root);
    classTty = root / "class/tty";
    fs::create_directories(classTty);
    fs::create_directories(root / "drivers");

    AddUsb("ttyUSB1", "usb1/1-2", "ftdi_sio", "0403", "6001", "FTDI", "FT232R USB UART");
    AddUsb("ttyUSB0", "usb1/1-1", "pl2303", "067b", "2303", "", "");
    AddUsb("ttyUSB10", "usb1/1-3", "ch341-uart", "1a86", "7523", "", "USB Serial");
    AddUsb("ttyACM0", "usb1/1-4", "cdc_acm", "2e8a", "000a", "Maker", "Pico");
    AddOnBoard("ttyS0", "serial8250", "4");
    AddOnBoard("ttyS1", "serial8250", "0");  // slot without a UART
    AddOnBoard("ttyAMA0", "uart-pl011", "");
    fs::create_directories(classTty / "tty1");  // virtual terminal: no device
    fs::create_directories(classTty / "ptmx");
  }
  void TearDown() override { fs::remove_all(root); }

  static void Write(const fs::path& file, const std::string& text) {
    std::ofstream(file) << text << "\n";
  }

  // Real layout: class/tty/ttyUSB0/device -> .../1-1/1-1:1.0/ttyUSB0, idVendor on 1-1.
  void AddUsb(const std::string& name, const std::string& usbDevice, const std::string& driver,
              const std::string& vendor, const std::string& product, const std::string& maker,
              const std::string& productName) {
    const fs::path dev = root / "devices" / usbDevice;
    const fs::path iface = dev / (dev.filename().string() + ":1.0");
    const fs::path port = iface / name;
    fs::create_directories(port);
    Write(dev / "idVendor", vendor);
    Write(dev / "idProduct", product);
    if (!maker.empty()) Write(dev / "manufacturer", maker);
    if (!productName.empty()) Write(dev / "product", productName);
    fs::create_directories(root / "drivers" / driver);
    fs::create_directory_symlink(root / "drivers" / driver, port / "driver");
    fs::create_directories(classTty / name);
    fs::create_directory_symlink(port, classTty / name / "device");
  }

  void AddOnBoard(const std::string& name, const std::string& driver, const std::string& type) {
    const fs::path dev = root / "devices/platform" / (driver + "." + name);
    fs::create_directories(dev);
    fs::create_directories(root / "drivers" / driver);
    fs::create_directory_symlink(root / "drivers" / driver, dev / "driver");
    fs::create_directories(classTty / name);
    fs::create_directory_symlink(dev, classTty / name / "device");
    if (!type.empty()) Write(classTty / name / "type", type);
  }

  std::vector<SerialPortInfo> List() const { return ListSerialPorts(classTty, "/devx"); }

  fs::path root;
  fs::path classTty;
};

TEST_F(FakeSysfs, ListsUsbAdaptersFirstThenOnBoardPortsWithHardwareInNumberOrder) {
  const auto ports = List();
  std::vector<std::string> names;
  for (const auto& p : ports) names.push_back(p.Name);
  EXPECT_EQ(names, (std::vector<std::string>{"ttyUSB0", "ttyUSB1", "ttyUSB10", "ttyACM0", "ttyAMA0",
                                             "ttyS0"}));
  ASSERT_FALSE(ports.empty());
  EXPECT_EQ(ports[0].Path, "/devx/ttyUSB0");
}

TEST_F(FakeSysfs, DescribesEachPortWithWhatTheSystemKnows) {
  const auto ports = List();
  ASSERT_EQ(ports.size(), 6u);
  const auto& ftdi = ports[1];
  EXPECT_TRUE(ftdi.Usb);
  EXPECT_EQ(ftdi.Driver, "ftdi_sio");
  EXPECT_EQ(ftdi.VendorId, "0403");
  EXPECT_EQ(ftdi.ProductId, "6001");
  EXPECT_EQ(ftdi.Manufacturer, "FTDI");
  EXPECT_EQ(ftdi.Product, "FT232R USB UART");
  EXPECT_EQ(ftdi.Description, "FT232R USB UART - FTDI [0403:6001] (ftdi_sio)");
  EXPECT_EQ(ports[0].Description, "USB serial adapter [067b:2303] (pl2303)");
  EXPECT_EQ(ports[3].Description, "Pico - Maker [2e8a:000a] (cdc_acm)");
  EXPECT_FALSE(ports[5].Usb);
  EXPECT_EQ(ports[5].Description, "Serial port (serial8250)");
}

TEST(SerialPortsTest, AnUnreadableTreeGivesAnEmptyList) {
  EXPECT_TRUE(ListSerialPorts("/nonexistent-quorin", "/dev").empty());
}

}  // namespace
}  // namespace quorin::platform
