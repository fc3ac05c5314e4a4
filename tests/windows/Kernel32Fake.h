// Kernel32Fake.h - a pretend serial device behind the kernel32 calls of the
// Windows serial layer, for what no real device does on demand: report a
// hostile configuration, refuse a modem line with a chosen error, end a
// write by its time-out; and to see each call with its arguments.
//
// The test program is linked with --wrap=__imp_<call> for every call below
// (tests/windows/CMakeLists.txt), so that the layer's calls, which MinGW
// makes through the import table, come here. A call on any other handle or
// name (the runtime's, GoogleTest's) goes on to kernel32.
#pragma once

#include <windows.h>

#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

namespace kernel32fake {

// The port name the pretend device answers to.
inline constexpr const char* kPortName = "COM42";

struct Device {
  // What GetCommState reports: a plain 9600 8N1 line unless a test says
  // otherwise.
  DCB State{};
  // Each call the layer made, in words, e.g. "SetupComm 32768 9216".
  std::vector<std::string> Calls;
  // Every DCB handed to SetCommState.
  std::vector<DCB> Applied;
  // Calls that fail, in the words of Calls, with the error they leave.
  std::map<std::string, DWORD> Failures;
  // How many bytes a WriteFile takes at most; 0: its time-out ends it.
  DWORD WriteRoom = 1u << 20;
  // Bytes waiting to be read: ReadFile takes them, ClearCommError counts them.
  std::deque<std::uint8_t> Input;
};

// Plugs in a fresh device and returns it.
Device& Plug();

// Takes the device away: its name is unknown again.
void Unplug();

// The handle of the device (not a kernel handle).
HANDLE DeviceHandle();

}  // namespace kernel32fake
