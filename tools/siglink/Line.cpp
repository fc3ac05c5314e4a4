#include "Line.h"

#include <array>
#include <utility>

namespace {

// The speed codes of termios and the rates they stand for.
constexpr std::array<std::pair<speed_t, std::uint32_t>, 31> kSpeeds{{
    {B0, 0},          {B50, 50},           {B75, 75},           {B110, 110},
    {B134, 134},      {B150, 150},         {B200, 200},         {B300, 300},
    {B600, 600},      {B1200, 1200},       {B1800, 1800},       {B2400, 2400},
    {B4800, 4800},    {B9600, 9600},       {B19200, 19200},     {B38400, 38400},
    {B57600, 57600},  {B115200, 115200},   {B230400, 230400},   {B460800, 460800},
    {B500000, 500000}, {B576000, 576000},  {B921600, 921600},   {B1000000, 1000000},
    {B1152000, 1152000}, {B1500000, 1500000}, {B2000000, 2000000}, {B2500000, 2500000},
    {B3000000, 3000000}, {B3500000, 3500000}, {B4000000, 4000000},
}};

}  // namespace

LineFormat LineFormatOf(const termios& settings) {
  LineFormat format;
  const speed_t code = cfgetospeed(&settings);
  format.Baud = 0;
  for (const auto& [c, rate] : kSpeeds) {
    if (c == code) format.Baud = rate;
  }
  switch (settings.c_cflag & CSIZE) {
    case CS5: format.DataBits = 5; break;
    case CS6: format.DataBits = 6; break;
    case CS7: format.DataBits = 7; break;
    default: format.DataBits = 8; break;
  }
  if ((settings.c_cflag & PARENB) == 0) {
    format.Parity = 'N';
  } else if ((settings.c_cflag & CMSPAR) != 0) {
    format.Parity = (settings.c_cflag & PARODD) != 0 ? 'M' : 'S';
  } else {
    format.Parity = (settings.c_cflag & PARODD) != 0 ? 'O' : 'E';
  }
  format.TwoStopBits = (settings.c_cflag & CSTOPB) != 0;
  return format;
}

LineFormat ReadLineFormat(int fd) {
  termios settings{};
  if (tcgetattr(fd, &settings) != 0) return LineFormat{};
  return LineFormatOf(settings);
}

int BitsPerCharacter(const LineFormat& format) {
  return 1 + format.DataBits + (format.Parity != 'N' ? 1 : 0) + (format.TwoStopBits ? 2 : 1);
}

std::chrono::nanoseconds CharacterTime(const LineFormat& format) {
  if (format.Baud == 0) return std::chrono::nanoseconds{0};
  const auto bits = static_cast<std::int64_t>(BitsPerCharacter(format));
  return std::chrono::nanoseconds{bits * 1'000'000'000 / static_cast<std::int64_t>(format.Baud)};
}

std::string DescribeLine(const LineFormat& format) {
  return std::to_string(format.Baud) + " " + std::to_string(format.DataBits) +
         std::string(1, format.Parity) + (format.TwoStopBits ? "2" : "1");
}
