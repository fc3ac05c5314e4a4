// CommPlatformWin32.cpp - the serial port's system calls on Windows: the
// communications functions of kernel32.
//
// Synchronous I/O throughout, no overlapped structures and no events: the
// time-outs given to SetCommTimeouts bound every ReadFile and WriteFile, so
// no call can hang on a silent or stuck line.
#include "CommPlatform.h"

#include <windows.h>

#include <chrono>
#include <cstring>
#include <string>

namespace {

static_assert(sizeof(DCB) == sizeof(CommLineSettings::Device), "the DCB is 28 bytes");
static_assert(COMM_SETDTR == SETDTR && COMM_CLRRTS == CLRRTS && COMM_PURGE_RXCLEAR == PURGE_RXCLEAR);

HANDLE Win32Handle(CommHandle handle) { return reinterpret_cast<HANDLE>(handle); }

// A transparent 8-bit line: every byte value passes unchanged both ways.
// These are settings beyond the four that the port class owns, and a device
// can come with any of them from an earlier program: an inherited fOutX
// alone swallows every 0x11 and 0x13 of a frame. DTR stays high and RTS low
// (what Open drives them to) through every later change of the line.
void MakeTransparent(DCB& dcb) {
  dcb.fBinary = TRUE;
  dcb.fOutX = FALSE;
  dcb.fInX = FALSE;
  dcb.fOutxCtsFlow = FALSE;
  dcb.fOutxDsrFlow = FALSE;
  dcb.fDsrSensitivity = FALSE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_DISABLE;
  dcb.fErrorChar = FALSE;
  dcb.fNull = FALSE;
  dcb.fAbortOnError = FALSE;
}

}  // namespace

namespace CommPlatform {

std::string DevicePath(const std::string& portName) {
  return ComPortNumber(portName) != 0 ? "\\\\.\\" + portName : portName;
}

CommHandle Open(const std::string& devicePath) {
  // Share mode 0: nobody else may open the device while we hold it.
  HANDLE handle = CreateFileA(devicePath.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr,
                              OPEN_EXISTING, 0, nullptr);
  return reinterpret_cast<CommHandle>(handle);
}

bool GetState(CommHandle handle, CommLineSettings& settings) {
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  if (!GetCommState(Win32Handle(handle), &dcb)) return false;
  std::memcpy(settings.Device.data(), &dcb, sizeof dcb);
  settings.BaudRate = dcb.BaudRate;
  settings.ByteSize = dcb.ByteSize;
  settings.Parity = dcb.Parity;
  settings.StopBits = dcb.StopBits;
  return true;
}

bool SetState(CommHandle handle, const CommLineSettings& settings) {
  DCB dcb{};
  std::memcpy(&dcb, settings.Device.data(), sizeof dcb);
  dcb.DCBlength = settings.DCBlength;
  dcb.BaudRate = settings.BaudRate;
  dcb.ByteSize = settings.ByteSize;
  dcb.Parity = settings.Parity;
  dcb.StopBits = settings.StopBits;
  MakeTransparent(dcb);
  return SetCommState(Win32Handle(handle), &dcb) != 0;
}

bool SetupQueues(CommHandle handle, std::uint32_t inputSize, std::uint32_t outputSize) {
  return SetupComm(Win32Handle(handle), inputSize, outputSize) != 0;
}

bool SetTimeouts(CommHandle handle, const CommTimeouts& timeouts) {
  COMMTIMEOUTS t{timeouts.ReadIntervalTimeout, timeouts.ReadTotalTimeoutMultiplier,
                 timeouts.ReadTotalTimeoutConstant, timeouts.WriteTotalTimeoutMultiplier,
                 timeouts.WriteTotalTimeoutConstant};
  return SetCommTimeouts(Win32Handle(handle), &t) != 0;
}

bool EscapeFunction(CommHandle handle, std::uint32_t function) {
  if (EscapeCommFunction(Win32Handle(handle), function)) return true;
  // A device without modem-control lines (a virtual port, a pseudo-terminal
  // under wine) has nothing to drive, as ENOTTY says on Linux.
  const DWORD error = GetLastError();
  return error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION;
}

bool Purge(CommHandle handle, std::uint32_t flags) {
  return PurgeComm(Win32Handle(handle), flags) != 0;
}

bool Write(CommHandle handle, const std::uint8_t* data, std::uint32_t count, const CommTimeouts&,
           std::uint32_t& sent) {
  DWORD written = 0;
  const BOOL ok = WriteFile(Win32Handle(handle), data, count, &written, nullptr);
  sent = written;
  if (!ok) return false;
  // The write time-out ends a write without an error of its own; name it,
  // as ETIMEDOUT does on POSIX.
  if (written < count) ::SetLastError(ERROR_TIMEOUT);
  return true;
}

bool Read(CommHandle handle, std::uint8_t* data, std::uint32_t count, const CommTimeouts&,
          std::uint32_t& got) {
  DWORD read = 0;
  const BOOL ok = ReadFile(Win32Handle(handle), data, count, &read, nullptr);
  got = read;
  return ok != 0;
}

bool QueueCount(CommHandle handle, std::uint32_t& count) {
  DWORD errors = 0;
  COMSTAT status{};
  if (!ClearCommError(Win32Handle(handle), &errors, &status)) return false;
  count = status.cbInQue;
  return true;
}

bool WaitInput(CommHandle handle, std::uint32_t milliseconds, bool& arrived) {
  // A short poll of the receive queue: the read time-outs cannot wait
  // without taking a byte, and waiting for a comm event would need
  // overlapped I/O.
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    std::uint32_t count = 0;
    if (!QueueCount(handle, count)) return false;
    arrived = count > 0;
    if (arrived || std::chrono::steady_clock::now() >= deadline) return true;
    Sleep(1);
  }
}

bool Close(CommHandle handle) { return CloseHandle(Win32Handle(handle)) != 0; }

std::uint32_t LastError() { return GetLastError(); }

void SetLastError(std::uint32_t error) { ::SetLastError(error); }

bool IsTimeout(std::uint32_t error) { return error == ERROR_TIMEOUT; }

bool IsDeviceGone(std::uint32_t error) {
  constexpr DWORD kNoSuchDevice = 433;  // ERROR_NO_SUCH_DEVICE, which MinGW's winerror.h lacks
  switch (error) {
    // What the drivers of USB serial adapters answer on a handle whose
    // adapter was pulled: usbser.sys (CDC) and FTDI's driver "The device
    // does not recognize the command", Prolific's and WCH's (CH340) "A
    // device attached to the system is not functioning", FTDI's also "Access
    // is denied"; I/O the removal broke off ends "aborted"; a handle the
    // removal made invalid.
    case ERROR_BAD_COMMAND:
    case ERROR_GEN_FAILURE:
    case ERROR_ACCESS_DENIED:
    case ERROR_OPERATION_ABORTED:
    case ERROR_INVALID_HANDLE:
    // The system's own words for a device that is no longer there.
    case ERROR_DEVICE_REMOVED:
    case ERROR_DEVICE_NOT_CONNECTED:
    case ERROR_DEV_NOT_EXIST:
    case kNoSuchDevice:
    // Wine's word for Linux's EIO: a serial device or pseudo-terminal gone.
    case ERROR_NOT_READY:
      return true;
    default:
      return false;
  }
}

std::string ErrorText(std::uint32_t error) {
  wchar_t* text = nullptr;
  const DWORD length = FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS,
      nullptr, error, 0, reinterpret_cast<wchar_t*>(&text), 0, nullptr);
  std::string utf8;
  if (length > 0) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), nullptr, 0,
                                         nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(size));
    WideCharToMultiByte(CP_UTF8, 0, text, static_cast<int>(length), utf8.data(), size, nullptr,
                        nullptr);
  }
  LocalFree(text);
  // The system's sentences end with ".\r\n"; the caller adds its own ending.
  while (!utf8.empty() && (utf8.back() == '\n' || utf8.back() == '\r' || utf8.back() == ' ' ||
                           utf8.back() == '.'))
    utf8.pop_back();
  if (utf8.empty()) return "system error " + std::to_string(error);
  return utf8;
}

}  // namespace CommPlatform
