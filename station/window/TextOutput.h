// TextOutput.h - where a station's text for the person who started it goes:
// --help, --version, the usage after a misuse, --save's message and the
// sentence of a failed start.
//
// Interface summary
//   WriteText(stdout, text)                   the stream, the console, or a box
//   WriteText(stderr, text, TUnseen::Drop)    for text that has a box of its own
//
// On Linux the text goes to the stream. A Windows window program has no
// console of its own, so there the text goes to the stream where that is a
// pipe, a file or a device (a redirection, a script, ctest); else to the
// console the program was started from (cmd, PowerShell); else, started
// from Explorer or a shortcut, into a message box titled with the program's
// name. Windows' calls live in TextOutput.cpp alone.
#pragma once

#include <cstdio>

#include <QString>

// What happens to text that no stream or console would show (Windows only).
enum class TUnseen { ShowBox, Drop };

// `stream` is stdout or stderr. Pipes and files on Windows get UTF-8 with
// CRLF line ends, a console the text as it is.
void WriteText(std::FILE* stream, const QString& text, TUnseen unseen = TUnseen::ShowBox);
