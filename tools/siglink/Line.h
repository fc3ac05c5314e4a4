// Line.h - how long one character takes on a serial line.
//
// Interface summary
//   LineFormat f = ReadLineFormat(fd);     rate and framing an end is set to
//   BitsPerCharacter(f)                    start + data + parity + stop bits
//   CharacterTime(f)                       nanoseconds per character
//   DescribeLine(f)                        "9600 8N1"
//
// A real line sends each character as one start bit, 5..8 data bits, an
// optional parity bit and one or two stop bits; 9600 8N1 is 10 bits, so one
// character takes 1/960 s. The virtual cable paces each direction by this.
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <termios.h>

struct LineFormat {
  std::uint32_t Baud = 9600;  // bits per second; 0 = the line is hung up
  int DataBits = 8;
  char Parity = 'N';  // N none, E even, O odd, M mark, S space
  bool TwoStopBits = false;
};

// The format a termios record sets up (output speed, CSIZE, PARENB,
// PARODD, CMSPAR, CSTOPB). An unknown speed code gives 0 baud.
LineFormat LineFormatOf(const termios& settings);

// The format the terminal behind fd is set to. Returns it, or the default
// 9600 8N1 when the settings cannot be read.
LineFormat ReadLineFormat(int fd);

// Returns the number of bits one character occupies on the line.
int BitsPerCharacter(const LineFormat& format);

// Returns the time one character occupies on the line; zero for 0 baud
// (a hung-up line is not paced).
std::chrono::nanoseconds CharacterTime(const LineFormat& format);

// Returns the usual short form, e.g. "9600 8N1" or "19200 7E2".
std::string DescribeLine(const LineFormat& format);
