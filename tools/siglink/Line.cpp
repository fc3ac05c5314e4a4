#include "Line.h"

#include "TermiosLine.h"

LineFormat LineFormatOf(const termios& settings) {
  // The port's own reading of a termios record, so the cable paces exactly
  // the line the station believes it set.
  CommLineSettings line;
  DecodeTermiosFormat(settings.c_cflag, line);
  LineFormat format;
  format.Baud = TermiosRateOf(cfgetospeed(&settings));
  format.DataBits = line.ByteSize;
  format.Parity = "NOEMS"[line.Parity];
  format.TwoStopBits = line.StopBits == 2;
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
