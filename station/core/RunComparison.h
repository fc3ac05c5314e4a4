// RunComparison.h - a run set against another run of the same signals:
// sample by sample, and bit by bit as the two would travel in frames.
//
// Interface summary
//   CompareRuns(sent..., received...)             equal samples, differing bits, which samples
//   ComparisonText(comparison, runs..., names, sep)   what the compare box says
//
// Both runs are encoded with the frame's own encoder and compared over the
// frame's 9,600 sample bits (16 per integer, 32 per float; the two marks are
// the same in every frame). A sample is equal when its bits in the frame are.
// With the receiver's run against the transmitter's, the differing bits are
// the bit errors of the line, provided the frame's marks arrived intact
// (a damaged mark moves every sample after it).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "StationTypes.h"

// The bits of a frame that carry samples.
inline constexpr int FRAME_SAMPLE_BITS = 8 * (2 + 4) * SAMPLE_COUNT;
inline constexpr int FRAME_UNIFORM_BITS = 8 * 2 * SAMPLE_COUNT;
inline constexpr int FRAME_NORMAL_BITS = 8 * 4 * SAMPLE_COUNT;

// One sample whose bits differ.
struct TSampleDifference {
  int Index = 0;        // 0..199
  bool Normal = false;  // the float signal; else the integer one
  int Bits = 0;         // 1..16 or 1..32
};

struct TRunComparison {
  int UniformEqual = 0;  // of SAMPLE_COUNT
  int NormalEqual = 0;
  int UniformBits = 0;  // differing, of FRAME_UNIFORM_BITS
  int NormalBits = 0;   // differing, of FRAME_NORMAL_BITS
  // By sample index, the integer before the float of the same index.
  std::vector<TSampleDifference> Differences;

  int Bits() const { return UniformBits + NormalBits; }
};

TRunComparison CompareRuns(const UniformSamples& sentUniform, const NormalSamples& sentNormal,
                           const UniformSamples& receivedUniform, const NormalSamples& receivedNormal);

// The compare box's text: per signal the equal samples and differing bits,
// the frame's bit error rate, then the first `shown` differences as "sample:
// sent → received", numbers in the lists' text with `decimalSeparator`.
// `sentName` and `receivedName` say where each run came from.
std::string ComparisonText(const TRunComparison& comparison, const UniformSamples& sentUniform,
                           const NormalSamples& sentNormal, const UniformSamples& receivedUniform,
                           const NormalSamples& receivedNormal, std::string_view sentName,
                           std::string_view receivedName, std::string_view decimalSeparator, int shown = 10);
