// TermiosLine.h - the one translation between termios and our line settings.
//
// Interface summary
//   TermiosSpeedFor(9600, code)           rate -> speed code (false: none)
//   TermiosRateOf(B9600)                  speed code -> rate (0: none)
//   TermiosFormatBits(settings, bits)     data bits, parity, stop bits -> c_cflag
//   DecodeTermiosFormat(cflag, settings)  c_cflag -> data bits, parity, stop bits
//   DecodeTermios(t, settings)            the rate and all three of the above
//   kTermiosFormatBits                    the c_cflag bits the two above decide
//   MakeRawTermios(t, settings)           a raw 8-bit line at that rate and format
//
// POSIX only, no Qt: the serial port (CommPlatformPosix.cpp) and siglink's
// cable (which sets its ends up as the port does, and paces each end by the
// format its program set) both go through these, so they can never disagree
// about a rate, a parity or what a raw line is.
// Rates and bits a system does not name are left out where it lacks them:
// mark and space parity need CMSPAR, the rates above 38400 their B constants.
#pragma once

#include <termios.h>

#include <cstdint>

#include "CommPlatform.h"

// CMSPAR where the system has it (mark and space parity), else no bit.
#ifdef CMSPAR
inline constexpr tcflag_t kTermiosMarkSpace = static_cast<tcflag_t>(CMSPAR);
#else
inline constexpr tcflag_t kTermiosMarkSpace = 0;
#endif

// The c_cflag bits that TermiosFormatBits sets and DecodeTermiosFormat reads.
inline constexpr tcflag_t kTermiosFormatBits =
    static_cast<tcflag_t>(CSIZE | PARENB | PARODD | CSTOPB) | kTermiosMarkSpace;

// The speed code for a rate in bits per second. Rate 0 has none on purpose:
// B0 would hang up the line instead of setting a speed. Returns false for a
// rate the system has no code for.
bool TermiosSpeedFor(std::uint32_t rate, speed_t& code);

// The rate a speed code stands for; 0 for B0 and for codes we do not know.
std::uint32_t TermiosRateOf(speed_t code);

// The c_cflag bits for settings.ByteSize (5..8), Parity (0 none, 1 odd,
// 2 even, 3 mark, 4 space) and StopBits (0 one, 2 two). Returns false for a
// value termios cannot ask for: 1.5 stop bits, mark or space without CMSPAR,
// anything out of range.
bool TermiosFormatBits(const CommLineSettings& settings, tcflag_t& bits);

// Reads ByteSize, Parity and StopBits from c_cflag into settings; the other
// fields are left alone.
void DecodeTermiosFormat(tcflag_t cflag, CommLineSettings& settings);

// Reads BaudRate (the output speed; 0 for one we do not know), ByteSize,
// Parity and StopBits from t into settings; DCBlength is left alone.
void DecodeTermios(const termios& t, CommLineSettings& settings);

// Makes t a raw line at the rate and format of settings: every byte value
// passes unchanged both ways, no echo, no signals, no flow control, the
// receiver on, the modem status ignored, and one byte satisfies a read (so
// that a read of 0 bytes only ever means a hang-up). Returns false, t
// unchanged, for a rate or a format termios cannot ask for.
bool MakeRawTermios(termios& t, const CommLineSettings& settings);
