// CommPortListWin32.cpp - the serial ports of a Windows machine, as the
// registry's device map lists them.
#include "CommPlatform.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

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

std::vector<CommPortInfo> ListPorts() {
  return ListPortsInRegistry(reinterpret_cast<std::intptr_t>(HKEY_LOCAL_MACHINE),
                             "HARDWARE\\DEVICEMAP\\SERIALCOMM");
}

}  // namespace CommPlatform
