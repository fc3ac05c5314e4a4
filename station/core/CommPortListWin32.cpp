// CommPortListWin32.cpp - the serial ports of a Windows machine: the Setup
// API's Ports class with the names Device Manager shows, and the registry's
// device map for the ports no device of that class has.
#include "CommPlatform.h"

#include <windows.h>
#include <dbt.h>
#include <setupapi.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace {

// The device setup class "Ports (COM & LPT)" (GUID_DEVCLASS_PORTS of
// devguid.h, which would need the uuid library for one constant).
constexpr GUID kPortsClass = {0x4d36e978, 0xe325, 0x11ce, {0xbf, 0xc1, 0x08, 0x00, 0x2b, 0xe1, 0x03, 0x18}};

std::string Utf8(const wchar_t* text) {
  const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (size <= 1) return "";
  std::string utf8(static_cast<std::size_t>(size), '\0');
  WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
  utf8.pop_back();  // the NUL
  return utf8;
}

// A text property of the device; "" when it has none.
std::string DeviceText(HDEVINFO set, SP_DEVINFO_DATA& device, DWORD property) {
  wchar_t text[256] = {};
  DWORD type = 0;
  if (!SetupDiGetDeviceRegistryPropertyW(set, &device, property, &type, reinterpret_cast<BYTE*>(text),
                                         sizeof text - sizeof(wchar_t), nullptr) ||
      type != REG_SZ)
    return "";
  return Utf8(text);
}

// The value "PortName" of the device's own key ("COM5"); "" when it has none.
std::string DevicePortName(HDEVINFO set, SP_DEVINFO_DATA& device) {
  HKEY key = SetupDiOpenDevRegKey(set, &device, DICS_FLAG_GLOBAL, 0, DIREG_DEV, KEY_QUERY_VALUE);
  if (key == INVALID_HANDLE_VALUE) return "";
  wchar_t name[64] = {};
  DWORD size = sizeof name - sizeof(wchar_t);  // room for a NUL the data may lack
  DWORD type = 0;
  const LONG result = RegQueryValueExW(key, L"PortName", nullptr, &type, reinterpret_cast<BYTE*>(name), &size);
  RegCloseKey(key);
  return result == ERROR_SUCCESS && type == REG_SZ ? Utf8(name) : "";
}

}  // namespace

namespace CommPlatform {

std::vector<CommPortInfo> ListPortsInRegistry(std::intptr_t root, const std::string& subkey) {
  std::vector<CommPortInfo> ports;
  HKEY key = nullptr;
  if (RegOpenKeyExA(reinterpret_cast<HKEY>(root), subkey.c_str(), 0, KEY_READ, &key) != ERROR_SUCCESS)
    return ports;
  // Each value is one port: its name the driver's device, its data the COM
  // name ("\Device\Serial0" = "COM1").
  for (DWORD index = 0;; ++index) {
    char name[256];
    DWORD nameSize = sizeof name;
    char data[256];
    DWORD dataSize = sizeof data;
    DWORD type = 0;
    const LONG result = RegEnumValueA(key, index, name, &nameSize, nullptr, &type,
                                      reinterpret_cast<BYTE*>(data), &dataSize);
    if (result == ERROR_NO_MORE_ITEMS) break;
    if (result != ERROR_SUCCESS || type != REG_SZ) continue;
    // The data need not end in a NUL.
    const std::string device(data, strnlen(data, dataSize));
    if (!device.empty()) ports.push_back({device, std::string(name, nameSize)});
  }
  RegCloseKey(key);
  std::sort(ports.begin(), ports.end(), [](const CommPortInfo& a, const CommPortInfo& b) {
    const unsigned x = ComPortNumber(a.Device), y = ComPortNumber(b.Device);
    return x != y ? x < y : a.Device < b.Device;
  });
  return ports;
}

std::vector<CommDeviceRecord> PortDevices() {
  std::vector<CommDeviceRecord> devices;
  HDEVINFO set = SetupDiGetClassDevsW(&kPortsClass, nullptr, nullptr, DIGCF_PRESENT);
  if (set == INVALID_HANDLE_VALUE) return devices;
  SP_DEVINFO_DATA device{};
  device.cbSize = sizeof device;
  for (DWORD index = 0; SetupDiEnumDeviceInfo(set, index, &device); ++index) {
    // Device Manager shows the friendly name, else the description.
    std::string shown = DeviceText(set, device, SPDRP_FRIENDLYNAME);
    if (shown.empty()) shown = DeviceText(set, device, SPDRP_DEVICEDESC);
    devices.push_back({DevicePortName(set, device), shown});
  }
  SetupDiDestroyDeviceInfoList(set);
  return devices;
}

std::vector<CommPortInfo> ListPorts() {
  return ListPortsOf(PortDevices(), ListPortsInRegistry(reinterpret_cast<std::intptr_t>(HKEY_LOCAL_MACHINE),
                                                        "HARDWARE\\DEVICEMAP\\SERIALCOMM"));
}

std::vector<std::string> PortFolders() { return {}; }

bool IsPortChange(const void* message) {
  const MSG& msg = *static_cast<const MSG*>(message);
  if (msg.message != WM_DEVICECHANGE) return false;
  // Sent to every top-level window: a device node came or went, and (for
  // ports) which one arrived or was removed.
  return msg.wParam == DBT_DEVNODES_CHANGED || msg.wParam == DBT_DEVICEARRIVAL ||
         msg.wParam == DBT_DEVICEREMOVECOMPLETE;
}

}  // namespace CommPlatform
