// ErrorOf.h - what the port and cable tests on Linux and on Windows share:
// the error an operation throws, the seconds since a moment, and every byte
// value to send.
#pragma once

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <vector>

#include "CommPort.h"

using Clock = std::chrono::steady_clock;

inline double SecondsSince(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

// Runs op, which must throw ECommError; returns the error.
template <class Op>
ECommError ErrorOf(Op op) {
  try {
    op();
  } catch (const ECommError& e) {
    return e;
  }
  ADD_FAILURE() << "no ECommError thrown";
  return ECommError(0);
}

// Every byte value (0x00, 0x11, 0x13, 0x7F, 0xFF among them) `rounds` times,
// upwards then downwards in turn: 0..255, 255..0, 0..255, ...
inline std::vector<std::uint8_t> AllByteValues(int rounds = 1) {
  std::vector<std::uint8_t> bytes;
  for (int r = 0; r < rounds; ++r)
    for (int v = 0; v < 256; ++v) bytes.push_back(static_cast<std::uint8_t>(r % 2 == 0 ? v : 255 - v));
  return bytes;
}
