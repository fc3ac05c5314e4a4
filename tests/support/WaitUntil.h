// WaitUntil.h - waiting on a condition with a deadline, for the tests that
// watch something another thread, process or the kernel brings about.
#pragma once

#include <chrono>
#include <thread>

// Checks `done` every millisecond until it holds or `limit` has passed.
// Returns whether it held.
template <class Condition>
bool WaitUntil(Condition done, std::chrono::milliseconds limit) {
  const auto end = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= end) return done();
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  return true;
}
