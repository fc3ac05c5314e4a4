// CableRun.h - a cable relaying on a thread of its own for as long as the
// object lives: for the tests and benchmarks that drive both ends themselves.
//
// Interface summary
//   CableRun run(paced);           a new cable, already relaying
//   CableRun run(paced, faults);   ... that stalls, or is cut mid-way
//   CableRun run(paced, {}, 16ms); ... delivering in bursts
//   CableRun run(paced, noisy, {}, report);   ... with bit errors, each burst told
//   run.cable.First().Path()       the ends, as with a Cable
#pragma once

#include <thread>

#include "Cable.h"

class CableRun {
public:
  // Starts relaying at once (throws std::system_error when the cable or the
  // stop pipe cannot be made).
  explicit CableRun(bool paced, CableFaults faults = {}, Cable::Clock::duration burst = {}, NoiseReporter report = {});
  // Stops the relay and waits for its thread.
  ~CableRun();
  CableRun(const CableRun&) = delete;
  CableRun& operator=(const CableRun&) = delete;

  Cable cable;

private:
  int stop_[2] = {-1, -1};
  std::thread thread_;
};
