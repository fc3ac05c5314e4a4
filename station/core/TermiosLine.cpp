// TermiosLine.cpp - the speed table and the character format of termios.
#include "TermiosLine.h"

#include <algorithm>
#include <iterator>

namespace {

struct SpeedEntry {
  std::uint32_t Rate;
  speed_t Code;
};

// The rates POSIX names, then each further one where the system has it. B0
// is left out (see TermiosSpeedFor).
constexpr SpeedEntry kSpeeds[] = {
    {50, B50},       {75, B75},       {110, B110},     {134, B134},   {150, B150},
    {200, B200},     {300, B300},     {600, B600},     {1200, B1200}, {1800, B1800},
    {2400, B2400},   {4800, B4800},   {9600, B9600},   {19200, B19200}, {38400, B38400},
#ifdef B57600
    {57600, B57600},
#endif
#ifdef B115200
    {115200, B115200},
#endif
#ifdef B230400
    {230400, B230400},
#endif
#ifdef B460800
    {460800, B460800},
#endif
#ifdef B500000
    {500000, B500000},
#endif
#ifdef B576000
    {576000, B576000},
#endif
#ifdef B921600
    {921600, B921600},
#endif
#ifdef B1000000
    {1000000, B1000000},
#endif
#ifdef B1152000
    {1152000, B1152000},
#endif
#ifdef B1500000
    {1500000, B1500000},
#endif
#ifdef B2000000
    {2000000, B2000000},
#endif
#ifdef B2500000
    {2500000, B2500000},
#endif
#ifdef B3000000
    {3000000, B3000000},
#endif
#ifdef B3500000
    {3500000, B3500000},
#endif
#ifdef B4000000
    {4000000, B4000000},
#endif
};

constexpr tcflag_t Flags(unsigned long bits) { return static_cast<tcflag_t>(bits); }

// Flags beyond POSIX's, where the system has them: input processing a raw
// line must not do, and hardware flow control.
constexpr tcflag_t kExtraInputFlags = Flags(0)
#ifdef IUCLC
                                      | Flags(IUCLC)
#endif
#ifdef IMAXBEL
                                      | Flags(IMAXBEL)
#endif
    ;
#ifdef CRTSCTS
constexpr tcflag_t kHardwareFlow = Flags(CRTSCTS);
#else
constexpr tcflag_t kHardwareFlow = 0;
#endif

}  // namespace

bool TermiosSpeedFor(std::uint32_t rate, speed_t& code) {
  auto it = std::find_if(std::begin(kSpeeds), std::end(kSpeeds),
                         [rate](const SpeedEntry& e) { return e.Rate == rate; });
  if (it == std::end(kSpeeds)) return false;
  code = it->Code;
  return true;
}

std::uint32_t TermiosRateOf(speed_t code) {
  auto it = std::find_if(std::begin(kSpeeds), std::end(kSpeeds),
                         [code](const SpeedEntry& e) { return e.Code == code; });
  return it == std::end(kSpeeds) ? 0 : it->Rate;
}

bool TermiosFormatBits(const CommLineSettings& settings, tcflag_t& bits) {
  switch (settings.ByteSize) {
    case 5: bits = Flags(CS5); break;
    case 6: bits = Flags(CS6); break;
    case 7: bits = Flags(CS7); break;
    case 8: bits = Flags(CS8); break;
    default: return false;
  }
  switch (settings.Parity) {
    case 0: break;
    case 1: bits |= Flags(PARENB | PARODD); break;
    case 2: bits |= Flags(PARENB); break;
    case 3:
    case 4:
      if (kTermiosMarkSpace == 0) return false;
      bits |= Flags(PARENB) | kTermiosMarkSpace | (settings.Parity == 3 ? Flags(PARODD) : 0);
      break;
    default: return false;
  }
  switch (settings.StopBits) {
    case 0: break;
    case 2: bits |= Flags(CSTOPB); break;
    default: return false;  // 1.5 stop bits: termios has no way to ask for them
  }
  return true;
}

void DecodeTermiosFormat(tcflag_t cflag, CommLineSettings& settings) {
  switch (cflag & Flags(CSIZE)) {
    case CS5: settings.ByteSize = 5; break;
    case CS6: settings.ByteSize = 6; break;
    case CS7: settings.ByteSize = 7; break;
    default: settings.ByteSize = 8; break;
  }
  const bool odd = (cflag & Flags(PARODD)) != 0;
  if ((cflag & Flags(PARENB)) == 0) {
    settings.Parity = 0;
  } else if ((cflag & kTermiosMarkSpace) != 0) {
    settings.Parity = odd ? 3 : 4;
  } else {
    settings.Parity = odd ? 1 : 2;
  }
  settings.StopBits = (cflag & Flags(CSTOPB)) != 0 ? 2 : 0;
}

void DecodeTermios(const termios& t, CommLineSettings& settings) {
  settings.BaudRate = TermiosRateOf(cfgetospeed(&t));
  DecodeTermiosFormat(t.c_cflag, settings);
}

bool MakeRawTermios(termios& t, const CommLineSettings& settings) {
  speed_t speed{};
  tcflag_t format = 0;
  if (!TermiosSpeedFor(settings.BaudRate, speed) || !TermiosFormatBits(settings, format)) return false;
  termios raw = t;
  cfmakeraw(&raw);
  raw.c_iflag &= ~(Flags(IXON | IXOFF | IXANY | INPCK) | kExtraInputFlags);
  raw.c_cflag &= ~(kTermiosFormatBits | kHardwareFlow);
  raw.c_cflag |= format | Flags(CREAD | CLOCAL);
  raw.c_cc[VMIN] = 1;
  raw.c_cc[VTIME] = 0;
  if (cfsetospeed(&raw, speed) != 0 || cfsetispeed(&raw, speed) != 0) return false;
  t = raw;
  return true;
}
