#include "TextOutput.h"

#ifdef _WIN32
#include <windows.h>

#include <QFileInfo>

namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return GetConsoleMode(handle, &mode) != 0;
}

bool WriteFileText(HANDLE handle, const QString& text) {
  QByteArray bytes = text.toUtf8();
  bytes.replace("\r\n", "\n").replace("\n", "\r\n");
  DWORD written = 0;
  return WriteFile(handle, bytes.constData(), static_cast<DWORD>(bytes.size()), &written, nullptr) != 0;
}

// Writes to the console of the process that started this one (cmd,
// PowerShell), attached for the write alone: a program attached to a
// console is ended with it (its window closed, Ctrl+C), and a station runs
// on long after an error sentence.
bool WriteParentConsole(const QString& text) {
  if (!AttachConsole(ATTACH_PARENT_PROCESS)) return false;
  bool written = false;
  const HANDLE console = CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE,
                                     nullptr, OPEN_EXISTING, 0, nullptr);
  if (console != INVALID_HANDLE_VALUE) {
    const std::wstring wide = text.toStdWString();
    DWORD count = 0;
    written = WriteConsoleW(console, wide.data(), static_cast<DWORD>(wide.size()), &count, nullptr) != 0;
    CloseHandle(console);
  }
  FreeConsole();
  return written;
}

QString ProgramName() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  return QFileInfo(QString::fromWCharArray(path)).completeBaseName();
}

}  // namespace

void WriteText(std::FILE* stream, const QString& text, TUnseen unseen) {
  const HANDLE handle = GetStdHandle(stream == stderr ? STD_ERROR_HANDLE : STD_OUTPUT_HANDLE);
  const DWORD type =
      handle != nullptr && handle != INVALID_HANDLE_VALUE ? GetFileType(handle) : DWORD{FILE_TYPE_UNKNOWN};
  // A redirection or a script. A pipe closed early (sigtx --help | more) is
  // not worth a box.
  if (type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE) {
    WriteFileText(handle, text);
    return;
  }
  // A character device is a device such as NUL or a console; a window
  // program started from a console may hold that console's handles, which
  // work only once it is attached.
  if (type == FILE_TYPE_CHAR && !IsConsole(handle) && WriteFileText(handle, text)) return;
  if (WriteParentConsole(text)) return;
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
