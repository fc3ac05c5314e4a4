// PortListTest.cpp - the serial ports a failed start offers, read from a
// made-up machine's /sys, /dev and /run/udev laid out as Linux lays them out.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "CommPlatform.h"

namespace fs = std::filesystem;

void PrintTo(const CommPortInfo& port, std::ostream* out) {
  *out << "{" << port.Device << ", \"" << port.Description << "\"}";
}

namespace {

// A machine in a temporary folder, removed with it.
class FakeMachine {
public:
  FakeMachine() {
    std::string pattern = (fs::temp_directory_path() / "sig-ports.XXXXXX").string();
    root_ = mkdtemp(pattern.data()) != nullptr ? pattern : "";
    fs::create_directories(Sys() + "/class/tty");
    fs::create_directories(Dev() + "/serial/by-id");
    fs::create_directories(Udev() + "/data");
  }
  ~FakeMachine() {
    std::error_code ignored;
    fs::remove_all(root_, ignored);
  }
  FakeMachine(const FakeMachine&) = delete;
  FakeMachine& operator=(const FakeMachine&) = delete;

  std::string Sys() const { return root_ + "/sys"; }
  std::string Dev() const { return root_ + "/dev"; }
  std::string Udev() const { return root_ + "/run/udev"; }

  // A tty class entry: with a device behind it or not, a node in /dev or
  // not; a serial-core port has a UART type ("" for none: a USB adapter).
  void Tty(const std::string& name, bool device, bool node, const std::string& type = "",
           const std::string& majorMinor = "") const {
    const fs::path tty = Sys() + "/class/tty/" + name;
    fs::create_directories(tty);
    // sysfs links to the device's folder elsewhere in the tree.
    if (device) fs::create_directory_symlink("../../../devices/" + name, tty / "device");
    if (!type.empty()) Write(tty / "type", type + "\n");
    if (!majorMinor.empty()) Write(tty / "dev", majorMinor + "\n");
    if (node) Write(Dev() + "/" + name, "");
  }

  void Udev(const std::string& majorMinor, const std::string& record) const {
    Write(Udev() + "/data/c" + majorMinor, record);
  }

  void ById(const std::string& name, const std::string& tty) const {
    fs::create_symlink("../../" + tty, Dev() + "/serial/by-id/" + name);
  }

  std::vector<CommPortInfo> Ports() const { return CommPlatform::ListPortsUnder(Sys(), Dev(), Udev()); }

private:
  static void Write(const fs::path& file, const std::string& text) { std::ofstream(file) << text; }

  std::string root_;
};

}  // namespace

TEST(PortList, RealPortsInCountingOrderWithTheirAdaptersAndLastingNames) {
  FakeMachine machine;
  // The 16550A at COM1, a port the kernel keeps without a UART behind it,
  // one of a plug-in card far down the numbers.
  machine.Tty("ttyS0", true, true, "4", "4:64");
  machine.Tty("ttyS1", true, true, "0", "4:65");
  machine.Tty("ttyS10", true, true, "4", "4:74");
  machine.Tty("ttyS2", true, true, "4", "4:66");
  // Virtual terminals and the pseudo-terminal multiplexer: no device.
  machine.Tty("tty0", false, true);
  machine.Tty("ptmx", false, true);
  // USB adapters: one known to the USB database, one by its own strings
  // only, one unplugged a moment ago (sysfs has it, /dev no longer).
  machine.Tty("ttyUSB0", true, true, "", "188:0");
  machine.Udev("188:0",
               "I:123456\nE:ID_VENDOR=FTDI\nE:ID_MODEL=FT232R_USB_UART\n"
               "E:ID_MODEL_FROM_DATABASE=FT232 Serial (UART) IC\nG:systemd\n");
  machine.Tty("ttyACM0", true, true, "", "166:0");
  machine.Udev("166:0", "E:ID_VENDOR=Arduino__www.arduino.cc_\nE:ID_MODEL=Uno_R3\n");
  machine.Tty("ttyUSB1", true, false, "", "188:1");
  machine.ById("usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0", "ttyUSB0");
  machine.ById("usb-Arduino__www.arduino.cc__Uno_R3_7543-if00", "ttyACM0");
  machine.ById("usb-Gone_Adapter-if00-port0", "ttyUSB1");

  const std::string dev = machine.Dev();
  const std::vector<CommPortInfo> expected{
      {dev + "/ttyACM0", "Arduino www.arduino.cc Uno R3"},
      {dev + "/serial/by-id/usb-Arduino__www.arduino.cc__Uno_R3_7543-if00", "the same port as " + dev + "/ttyACM0"},
      {dev + "/ttyS0", ""},
      {dev + "/ttyS2", ""},
      {dev + "/ttyS10", ""},
      {dev + "/ttyUSB0", "FTDI FT232 Serial (UART) IC"},
      {dev + "/serial/by-id/usb-FTDI_FT232R_USB_UART_A1B2C3-if00-port0", "the same port as " + dev + "/ttyUSB0"},
  };
  EXPECT_EQ(machine.Ports(), expected);
}

TEST(PortList, AMachineWithoutPortsOrWithoutTheFoldersHasNone) {
  FakeMachine machine;
  machine.Tty("tty1", false, true);
  machine.Tty("ttyS0", true, true, "0", "4:64");
  EXPECT_TRUE(machine.Ports().empty());
  EXPECT_TRUE(CommPlatform::ListPortsUnder("/nonexistent/sys", "/nonexistent/dev", "/nonexistent/udev").empty());
}

TEST(PortList, ThisMachinesPortsAreDevicesItHas) {
  for (const CommPortInfo& port : CommPlatform::ListPorts()) {
    EXPECT_EQ(port.Device.rfind("/dev/", 0), 0U) << port.Device;
    EXPECT_TRUE(fs::exists(port.Device)) << port.Device;
  }
}

// Windows' list from made-up Setup API records and device map: a device's
// friendly name where it has one (its COM name in any letter case), else the
// device map's name; printer ports and a second record of a port left out;
// the ports only the device map knows (a virtual pair) as before.
TEST(PortList, WindowsNamesPortsAsDeviceManagerShowsThem) {
  const std::vector<CommDeviceRecord> devices{{"COM5", "USB-SERIAL CH340 (COM5)"}, {"LPT1", "Printer Port (LPT1)"},
                                              {"com1", "Communications Port (COM1)"}, {"COM12", ""},
                                              {"COM5", "the same port again"}};
  const std::vector<CommPortInfo> deviceMap{
      {"COM1", "\\Device\\Serial0"}, {"COM12", "\\Device\\VCP0"}, {"COM21", "\\Device\\com0com10"}};
  const std::vector<CommPortInfo> expected{{"COM1", "Communications Port (COM1)"}, {"COM5", "USB-SERIAL CH340 (COM5)"},
                                           {"COM12", "\\Device\\VCP0"}, {"COM21", "\\Device\\com0com10"}};
  EXPECT_EQ(CommPlatform::ListPortsOf(devices, deviceMap), expected);
  EXPECT_EQ(CommPlatform::ListPortsOf({}, deviceMap), deviceMap);  // what wine has: no Ports class
}
