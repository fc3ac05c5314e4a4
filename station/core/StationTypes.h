// StationTypes.h - the sizes, sample arrays and analysis record that both
// stations share.
//
// Everything here is plain data without Qt, so the statistics, the frame and
// the tests can use it without a window.
#pragma once

#include <array>
#include <cstdint>

// Samples of each signal per run; also the modulus of the uniform signal and
// the base of the lag divisors.
inline constexpr int SAMPLE_COUNT = 200;
// Bins of each histogram.
inline constexpr int BIN_COUNT = 10;
// Lags 0..LAG_COUNT-1 of the autocorrelations and cross sums.
inline constexpr int LAG_COUNT = 100;

// The uniform signal ("РР"): generated values lie in 0..199.
using UniformSamples = std::array<std::int32_t, SAMPLE_COUNT>;
// The normal signal ("НР"), IEEE-754 single precision.
using NormalSamples = std::array<float, SAMPLE_COUNT>;

// The analysis of one run. Field order and types are fixed: arrays single
// precision, ranges and widths double. NormalMax/NormalMin carry over from run
// to run (0 when the station starts); everything else is rewritten each run.
struct SignalAnalysis {
  std::array<float, SAMPLE_COUNT> UniformAutocorr{};
  std::array<float, SAMPLE_COUNT> NormalAutocorr{};
  std::array<float, BIN_COUNT> UniformEdges{};
  std::array<float, BIN_COUNT> NormalEdges{};
  std::array<float, BIN_COUNT> UniformCounts{};
  std::array<float, BIN_COUNT> NormalCounts{};
  std::array<float, SAMPLE_COUNT> CrossSum{};
  std::array<float, SAMPLE_COUNT> CentredCrossSum{};
  double UniformMax = 0;
  double UniformMin = 0;
  double NormalMax = 0;
  double NormalMin = 0;
  double UniformBinWidth = 0;
  double NormalBinWidth = 0;
};

// The bins of the normal histogram in the order its bars stand: even bins
// ascending, then odd bins descending, so the top bins stand in the middle.
inline constexpr std::array<int, BIN_COUNT> NormalBarOrder = {0, 2, 4, 6, 8, 9, 7, 5, 3, 1};
