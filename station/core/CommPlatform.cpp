// CommPlatform.cpp - the part of the platform layer every platform shares.
#include "CommPlatform.h"

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

}  // namespace CommPlatform
