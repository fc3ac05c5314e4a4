#include "Line.h"

#include <cstdint>
#include <termios.h>

#include "TermiosLine.h"

CommLineSettings ReadLineSettings(int fd) {
  CommLineSettings line{.BaudRate = 9600, .ByteSize = 8, .Parity = 0, .StopBits = 0};
  termios t{};
  if (tcgetattr(fd, &t) == 0) DecodeTermios(t, line);
  return line;
}

int BitsPerCharacter(const CommLineSettings& line) {
  return 1 + line.ByteSize + (line.Parity != 0 ? 1 : 0) + (line.StopBits == 2 ? 2 : 1);
}

std::chrono::nanoseconds CharacterTime(const CommLineSettings& line) {
  if (line.BaudRate == 0) return std::chrono::nanoseconds{0};
  const auto bits = static_cast<std::int64_t>(BitsPerCharacter(line));
  return std::chrono::nanoseconds{bits * 1'000'000'000 / static_cast<std::int64_t>(line.BaudRate)};
}

std::string DescribeLine(const CommLineSettings& line) {
  const char parity = line.Parity < 5 ? "NOEMS"[line.Parity] : '?';
  return std::to_string(line.BaudRate) + " " + std::to_string(line.ByteSize) + parity +
         (line.StopBits == 2 ? "2" : "1");
}
