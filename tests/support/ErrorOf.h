// ErrorOf.h - what the port tests on Linux and on Windows share: the error
// an operation throws, and the seconds since a moment.
#pragma once

#include <gtest/gtest.h>

#include <chrono>

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
