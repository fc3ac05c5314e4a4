// Kernel32Fake.cpp - the pretend device and the wrapped import-table entries.
#include "Kernel32Fake.h"

#include <algorithm>
#include <cstdio>
#include <memory>

namespace kernel32fake {
namespace {

std::unique_ptr<Device> plugged;

bool Ours(HANDLE handle) { return plugged != nullptr && handle == DeviceHandle(); }

// Records the call; when the test made it fail, leaves its error and
// returns false.
bool Call(const std::string& words) {
  plugged->Calls.push_back(words);
  const auto failure = plugged->Failures.find(words);
  if (failure == plugged->Failures.end()) return true;
  SetLastError(failure->second);
  return false;
}

std::string Hex(DWORD value) {
  char text[16];
  std::snprintf(text, sizeof text, "%lX", static_cast<unsigned long>(value));
  return text;
}

}  // namespace

Device& Plug() {
  plugged = std::make_unique<Device>();
  DCB& dcb = plugged->State;
  dcb.DCBlength = sizeof dcb;
  dcb.BaudRate = 9600;
  dcb.fBinary = TRUE;
  dcb.fDtrControl = DTR_CONTROL_ENABLE;
  dcb.fRtsControl = RTS_CONTROL_ENABLE;
  dcb.XonLim = 2048;
  dcb.XoffLim = 512;
  dcb.ByteSize = 8;
  dcb.XonChar = 0x11;
  dcb.XoffChar = 0x13;
  return *plugged;
}

void Unplug() { plugged.reset(); }

HANDLE DeviceHandle() {
  static const int anchor = 0;
  return reinterpret_cast<HANDLE>(const_cast<int*>(&anchor));
}

}  // namespace kernel32fake

using kernel32fake::Call;
using kernel32fake::Hex;
using kernel32fake::Ours;
using kernel32fake::plugged;

namespace {

HANDLE WINAPI FakeCreateFileA(LPCSTR, DWORD, DWORD, LPSECURITY_ATTRIBUTES, DWORD, DWORD, HANDLE);
BOOL WINAPI FakeGetCommState(HANDLE, LPDCB);
BOOL WINAPI FakeSetCommState(HANDLE, LPDCB);
BOOL WINAPI FakeSetupComm(HANDLE, DWORD, DWORD);
BOOL WINAPI FakeSetCommTimeouts(HANDLE, LPCOMMTIMEOUTS);
BOOL WINAPI FakeEscapeCommFunction(HANDLE, DWORD);
BOOL WINAPI FakePurgeComm(HANDLE, DWORD);
BOOL WINAPI FakeWriteFile(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
BOOL WINAPI FakeReadFile(HANDLE, LPVOID, DWORD, LPDWORD, LPOVERLAPPED);
BOOL WINAPI FakeClearCommError(HANDLE, LPDWORD, LPCOMSTAT);
BOOL WINAPI FakeCloseHandle(HANDLE);

}  // namespace

// The linker sends the import-table references here (--wrap) and names the
// real entries __real___imp_<call>.
extern "C" {
extern decltype(&CreateFileA) __real___imp_CreateFileA;
extern decltype(&GetCommState) __real___imp_GetCommState;
extern decltype(&SetCommState) __real___imp_SetCommState;
extern decltype(&SetupComm) __real___imp_SetupComm;
extern decltype(&SetCommTimeouts) __real___imp_SetCommTimeouts;
extern decltype(&EscapeCommFunction) __real___imp_EscapeCommFunction;
extern decltype(&PurgeComm) __real___imp_PurgeComm;
extern decltype(&WriteFile) __real___imp_WriteFile;
extern decltype(&ReadFile) __real___imp_ReadFile;
extern decltype(&ClearCommError) __real___imp_ClearCommError;
extern decltype(&CloseHandle) __real___imp_CloseHandle;

decltype(&CreateFileA) __wrap___imp_CreateFileA = FakeCreateFileA;
decltype(&GetCommState) __wrap___imp_GetCommState = FakeGetCommState;
decltype(&SetCommState) __wrap___imp_SetCommState = FakeSetCommState;
decltype(&SetupComm) __wrap___imp_SetupComm = FakeSetupComm;
decltype(&SetCommTimeouts) __wrap___imp_SetCommTimeouts = FakeSetCommTimeouts;
decltype(&EscapeCommFunction) __wrap___imp_EscapeCommFunction = FakeEscapeCommFunction;
decltype(&PurgeComm) __wrap___imp_PurgeComm = FakePurgeComm;
decltype(&WriteFile) __wrap___imp_WriteFile = FakeWriteFile;
decltype(&ReadFile) __wrap___imp_ReadFile = FakeReadFile;
decltype(&ClearCommError) __wrap___imp_ClearCommError = FakeClearCommError;
decltype(&CloseHandle) __wrap___imp_CloseHandle = FakeCloseHandle;
}

namespace {

HANDLE WINAPI FakeCreateFileA(LPCSTR name, DWORD access, DWORD share, LPSECURITY_ATTRIBUTES security,
                              DWORD disposition, DWORD flags, HANDLE templateFile) {
  const std::string device = std::string("\\\\.\\") + kernel32fake::kPortName;
  if (plugged == nullptr || name == nullptr || device != name)
    return __real___imp_CreateFileA(name, access, share, security, disposition, flags, templateFile);
  std::string words = std::string("CreateFileA ") + name;
  words += access == (GENERIC_READ | GENERIC_WRITE) ? " read+write" : " access " + Hex(access);
  words += " share " + Hex(share);
  words += security == nullptr ? " no-security" : " security";
  words += disposition == OPEN_EXISTING ? " OPEN_EXISTING" : " disposition " + Hex(disposition);
  words += " flags " + Hex(flags);
  words += templateFile == nullptr ? " no-template" : " template";
  return Call(words) ? kernel32fake::DeviceHandle() : INVALID_HANDLE_VALUE;
}

BOOL WINAPI FakeGetCommState(HANDLE handle, LPDCB dcb) {
  if (!Ours(handle)) return __real___imp_GetCommState(handle, dcb);
  if (!Call("GetCommState")) return FALSE;
  *dcb = plugged->State;
  return TRUE;
}

BOOL WINAPI FakeSetCommState(HANDLE handle, LPDCB dcb) {
  if (!Ours(handle)) return __real___imp_SetCommState(handle, dcb);
  plugged->Applied.push_back(*dcb);
  if (!Call("SetCommState " + std::to_string(dcb->BaudRate) + " " + std::to_string(dcb->ByteSize) + " " +
            std::to_string(dcb->Parity) + " " + std::to_string(dcb->StopBits)))
    return FALSE;
  plugged->State = *dcb;
  return TRUE;
}

BOOL WINAPI FakeSetupComm(HANDLE handle, DWORD input, DWORD output) {
  if (!Ours(handle)) return __real___imp_SetupComm(handle, input, output);
  return Call("SetupComm " + std::to_string(input) + " " + std::to_string(output));
}

BOOL WINAPI FakeSetCommTimeouts(HANDLE handle, LPCOMMTIMEOUTS t) {
  if (!Ours(handle)) return __real___imp_SetCommTimeouts(handle, t);
  return Call("SetCommTimeouts " + std::to_string(t->ReadIntervalTimeout) + " " +
              std::to_string(t->ReadTotalTimeoutMultiplier) + " " + std::to_string(t->ReadTotalTimeoutConstant) +
              " " + std::to_string(t->WriteTotalTimeoutMultiplier) + " " +
              std::to_string(t->WriteTotalTimeoutConstant));
}

BOOL WINAPI FakeEscapeCommFunction(HANDLE handle, DWORD function) {
  if (!Ours(handle)) return __real___imp_EscapeCommFunction(handle, function);
  const char* name = function == SETDTR ? "SETDTR" : function == CLRRTS ? "CLRRTS" : "other";
  return Call(std::string("EscapeCommFunction ") + name);
}

BOOL WINAPI FakePurgeComm(HANDLE handle, DWORD flags) {
  if (!Ours(handle)) return __real___imp_PurgeComm(handle, flags);
  if (!Call(flags == PURGE_RXCLEAR ? "PurgeComm PURGE_RXCLEAR" : "PurgeComm " + Hex(flags))) return FALSE;
  plugged->Input.clear();
  return TRUE;
}

BOOL WINAPI FakeWriteFile(HANDLE handle, LPCVOID data, DWORD count, LPDWORD written, LPOVERLAPPED overlapped) {
  if (!Ours(handle)) return __real___imp_WriteFile(handle, data, count, written, overlapped);
  if (written != nullptr) *written = 0;
  if (!Call("WriteFile " + std::to_string(count) + (overlapped == nullptr ? "" : " overlapped"))) return FALSE;
  if (written != nullptr) *written = std::min(count, plugged->WriteRoom);
  return TRUE;
}

BOOL WINAPI FakeReadFile(HANDLE handle, LPVOID data, DWORD count, LPDWORD read, LPOVERLAPPED overlapped) {
  if (!Ours(handle)) return __real___imp_ReadFile(handle, data, count, read, overlapped);
  if (read != nullptr) *read = 0;
  if (!Call("ReadFile " + std::to_string(count) + (overlapped == nullptr ? "" : " overlapped"))) return FALSE;
  auto* bytes = static_cast<std::uint8_t*>(data);
  DWORD n = 0;
  for (; n < count && !plugged->Input.empty(); ++n) {
    bytes[n] = plugged->Input.front();
    plugged->Input.pop_front();
  }
  if (read != nullptr) *read = n;
  return TRUE;
}

BOOL WINAPI FakeClearCommError(HANDLE handle, LPDWORD errors, LPCOMSTAT status) {
  if (!Ours(handle)) return __real___imp_ClearCommError(handle, errors, status);
  if (!Call("ClearCommError")) return FALSE;
  if (errors != nullptr) *errors = 0;
  if (status != nullptr) {
    *status = COMSTAT{};
    status->cbInQue = static_cast<DWORD>(plugged->Input.size());
  }
  return TRUE;
}

BOOL WINAPI FakeCloseHandle(HANDLE handle) {
  if (!Ours(handle)) return __real___imp_CloseHandle(handle);
  return Call("CloseHandle");
}

}  // namespace
