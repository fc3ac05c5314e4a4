// Line.h - how long one character takes on a serial line.
//
// Interface summary
//   CommLineSettings s = ReadLineSettings(fd);  rate and framing an end is set to
//   BitsPerCharacter(s)                         start + data + parity + stop bits
//   CharacterTime(s)                            nanoseconds per character
//   DescribeLine(s)                             "9600 8N1"
//
// A real line sends each character as one start bit, 5..8 data bits, an
// optional parity bit and one or two stop bits; 9600 8N1 is 10 bits, so one
// character takes 1/960 s. The virtual cable paces each direction by this.
// The settings are the port's own (CommLineSettings, read through
// TermiosLine), so the cable paces exactly the line a station believes it set.
#pragma once

#include <chrono>
#include <string>

#include "CommPlatform.h"

// The settings of the terminal behind fd (BaudRate 0: the line is hung up
// or at a speed we do not know). Returns them, or 9600 8N1 when they cannot
// be read.
CommLineSettings ReadLineSettings(int fd);

// Returns the number of bits one character occupies on the line.
int BitsPerCharacter(const CommLineSettings& line);

// Returns the time one character occupies on the line; zero for 0 baud
// (a hung-up line is not paced).
std::chrono::nanoseconds CharacterTime(const CommLineSettings& line);

// Returns the usual short form, e.g. "9600 8N1" or "19200 7E2"; parity N
// none, O odd, E even, M mark, S space.
std::string DescribeLine(const CommLineSettings& line);
