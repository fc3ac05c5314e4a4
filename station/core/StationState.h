// StationState.h - the per-window state of one station.
//
// One instance per station, created at set-up and alive until the program
// ends. The window and the runs reach the port, the samples and the analysis
// only through it.
#pragma once

#include "CommPort.h"
#include "StationTypes.h"

struct StationState {
  TCommPort Port;              // opened at set-up, closed by FormClose
  UniformSamples Uniform{};    // zero before the first run
  NormalSamples Normal{};      // zero before the first run
  double ReferenceLevel = 0;   // the level m; 0 at set-up, never changed
  SignalAnalysis Analysis{};   // rewritten by every run that reaches the statistics
};
