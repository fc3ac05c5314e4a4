// WindowsTest.h - small helpers of the Windows port tests.
#pragma once

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <sstream>
#include <string>
#include <vector>

#include "CommPort.h"
#include "ErrorOf.h"

namespace wintest {

// Polls condition until it holds or `seconds` have passed. Returns whether
// it held.
template <class Condition>
bool WaitUntil(Condition condition, double seconds = 5.0) {
  const auto start = Clock::now();
  for (;;) {
    if (condition()) return true;
    if (SecondsSince(start) > seconds) return false;
    Sleep(1);
  }
}

// Wine names itself through an export of ntdll that Windows does not have.
inline bool UnderWine() {
  return GetProcAddress(GetModuleHandleA("ntdll.dll"), "wine_get_version") != nullptr;
}

// The COM names in an environment variable, separated by spaces: the ports
// that tests/windows/wine-ports (or a person on a Windows machine) set up.
inline std::vector<std::string> PortsFrom(const char* variable) {
  std::vector<std::string> names;
  const char* value = std::getenv(variable);
  std::istringstream words(value != nullptr ? value : "");
  for (std::string name; words >> name;) names.push_back(name);
  return names;
}

}  // namespace wintest
