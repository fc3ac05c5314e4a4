#include "TextOutput.h"

#ifdef _WIN32
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>

#include <QFileInfo>

namespace {

// The console of the process that started this one (cmd, PowerShell),
// attached at the first need; INVALID_HANDLE_VALUE where there is none.
HANDLE ParentConsole() {
  static const HANDLE console = [] {
    if (!AttachConsole(ATTACH_PARENT_PROCESS)) return INVALID_HANDLE_VALUE;
    return CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                       OPEN_EXISTING, 0, nullptr);
  }();
  return console;
}

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != 0;
}

bool WriteConsoleText(HANDLE console, const QString& text) {
  const std::wstring wide = text.toStdWString();
  DWORD written = 0;
  return WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &written, nullptr) != 0;
}

void WriteFileText(HANDLE handle, const QString& text) {
  QByteArray bytes = text.toUtf8();
  bytes.replace("\r\n", "\n").replace("\n", "\r\n");
  DWORD written = 0;
  WriteFile(handle, bytes.constData(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

QString ProgramName() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return QFileInfo(QString::fromWCharArray(path)).completeBaseName();
}

}  // namespace

void WriteText(std::FILE* stream, const QString& text, TUnseen unseen) {
  // A window program started from a console may still hold that console's
  // handles, which work only once it is attached; a device such as NUL is a
  // character device too, but no console. Text for a pipe that was closed
  // (sigtx --help | more, ended early) is not worth a box.
  const HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  if (handle != nullptr && handle != INVALID_HANDLE_VALUE && GetFileType(handle) != FILE_TYPE_UNKNOWN &&
      !IsConsole(handle)) {
    WriteFileText(handle, text);
    return;
  }
  const HANDLE console = ParentConsole();
  if (console != INVALID_HANDLE_VALUE && WriteConsoleText(console, text)) return;
  if (unseen == TUnseen::ShowBox) {
    const std::wstring title = ProgramName().toStdWString();
    const std::wstring body = text.trimmed().toStdWString();
    const UINT icon = stream == stderr ? MB_ICONERROR : MB_ICONINFORMATION;
    MessageBoxW(nullptr, body.c_str(), title.c_str(), MB_OK | icon);
  }
}

#else

void WriteText(std::FILE* stream, const QString& text, TUnseen) {
  std::fputs(text.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}

#endif
