// CommPlatform.cpp - the part of the platform layer every platform shares.
#include "CommPlatform.h"

#include <algorithm>

namespace CommPlatform {

unsigned ComPortNumber(const std::string& portName) {
  if (portName.size() < 4 || portName.size() > 6) return 0;
  for (std::size_t i = 0; i < 3; ++i) {
    const char c = portName[i];
    if (c != "COM"[i] && c != "com"[i]) return 0;
  }
  if (portName[3] == '0') return 0;
  unsigned number = 0;
  for (std::size_t i = 3; i < portName.size(); ++i) {
    if (portName[i] < '0' || portName[i] > '9') return 0;
    number = number * 10 + static_cast<unsigned>(portName[i] - '0');
  }
  return number <= 256 ? number : 0;
}

std::vector<CommPortInfo> ListPortsOf(const std::vector<CommDeviceRecord>& devices,
                                      const std::vector<CommPortInfo>& deviceMap) {
  std::vector<CommPortInfo> ports;
  const auto listed = [&ports](unsigned number) {
    return std::any_of(ports.begin(), ports.end(),
                       [number](const CommPortInfo& p) { return ComPortNumber(p.Device) == number; });
  };
  // The Ports class also holds printer ports (LPT1) and may name a port twice.
  for (const CommDeviceRecord& device : devices) {
    const unsigned number = ComPortNumber(device.PortName);
    if (number == 0 || listed(number)) continue;
    std::string description = device.FriendlyName;
    if (description.empty()) {
      const auto mapped = std::find_if(deviceMap.begin(), deviceMap.end(), [number](const CommPortInfo& p) {
        return ComPortNumber(p.Device) == number;
      });
      if (mapped != deviceMap.end()) description = mapped->Description;
    }
    ports.push_back({"COM" + std::to_string(number), description});
  }
  for (const CommPortInfo& port : deviceMap)
    if (ComPortNumber(port.Device) == 0 || !listed(ComPortNumber(port.Device))) ports.push_back(port);
  std::stable_sort(ports.begin(), ports.end(), [](const CommPortInfo& a, const CommPortInfo& b) {
    return ComPortNumber(a.Device) < ComPortNumber(b.Device);
  });
  return ports;
}

}  // namespace CommPlatform
