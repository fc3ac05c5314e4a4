// Statistics.cpp - ranges, histograms and lag sums in extended precision.
//
// The arithmetic rule: every operand is converted exactly to `Ext`, every
// operation rounds to `Ext`, and a result is rounded once more only when it is
// stored into its field. Comparisons compare exact values, so an integer
// sample is never compared through a conversion to single. Non-finite normal
// samples are carried through: a NaN never compares true, so it widens no
// range and lands in bin 9; an infinity widens the range to infinity and the
// edges become non-finite, so bins 0..8 count nothing and bin 9 takes all 200.
// No value is ever converted from floating point to an integer.
#include "Statistics.h"

#include <limits>

#include "StationState.h"

namespace {

// The 80-bit extended type: `long double` with a 64-bit significand on
// x86-64. A platform without such a type would use its widest floating type
// here instead (and drop the assertion); its results may then differ from
// these in the last place of a single.
using Ext = long double;
static_assert(std::numeric_limits<Ext>::digits == 64,
              "the statistics need the 80-bit extended type (64-bit significand)");

// The extended value nearest to one tenth.
constexpr Ext kTenth = 0.1L;

// One pass over both signals: the uniform range afresh, the normal range
// widened from its carried-over value. All four tests are strict.
void ComputeRanges(const UniformSamples& uniform, const NormalSamples& normal,
                   SignalAnalysis& a) {
  a.UniformMax = uniform[0];
  a.UniformMin = uniform[0];
  for (std::size_t j = 0; j < uniform.size(); ++j) {
    // int32 -> double is exact, so these compare exact values.
    if (uniform[j] > a.UniformMax) a.UniformMax = uniform[j];
    if (uniform[j] < a.UniformMin) a.UniformMin = uniform[j];
    // float -> double is exact as well.
    const auto y = static_cast<double>(normal[j]);
    if (a.NormalMax < y) a.NormalMax = y;
    if (a.NormalMin > y) a.NormalMin = y;
  }
}

// Lower edges b * width + min, each formed in extended and rounded to single.
void ComputeEdges(double min, double width, std::array<float, BIN_COUNT>& edges) {
  for (int b = 0; b < BIN_COUNT; ++b) {
    const Ext edge = static_cast<Ext>(b) * static_cast<Ext>(width) + static_cast<Ext>(min);
    edges[static_cast<std::size_t>(b)] = static_cast<float>(edge);
  }
}

// Counts of bins 0..8 (lower edge included, upper excluded), then bin 9 as
// the rest of the 200, so the counts always add up to 200.
template <typename Sample, std::size_t N>
void ComputeCounts(const std::array<Sample, N>& samples,
                   const std::array<float, BIN_COUNT>& edges,
                   std::array<float, BIN_COUNT>& counts) {
  int counted = 0;
  for (std::size_t b = 0; b + 1 < BIN_COUNT; ++b) {
    // Every int32 and every single converts exactly to double, so comparing
    // doubles compares the exact values (and is cheaper than extended).
    const auto lower = static_cast<double>(edges[b]);
    const auto upper = static_cast<double>(edges[b + 1]);
    int count = 0;
    for (const Sample s : samples) {
      const auto value = static_cast<double>(s);
      if (lower <= value && value < upper) ++count;
    }
    counts[b] = static_cast<float>(count);
    counted += count;
  }
  counts[BIN_COUNT - 1] = static_cast<float>(SAMPLE_COUNT - counted);
}

// The ranges, bin widths, edges and counts of both signals.
void ComputeHistograms(const UniformSamples& uniform, const NormalSamples& normal,
                       SignalAnalysis& a) {
  ComputeRanges(uniform, normal, a);

  // Multiplied by the extended tenth, not divided by 10.
  a.UniformBinWidth = static_cast<double>(
      (static_cast<Ext>(a.UniformMax) - static_cast<Ext>(a.UniformMin)) * kTenth);
  a.NormalBinWidth = static_cast<double>(
      (static_cast<Ext>(a.NormalMax) - static_cast<Ext>(a.NormalMin)) * kTenth);

  ComputeEdges(a.UniformMin, a.UniformBinWidth, a.UniformEdges);
  ComputeEdges(a.NormalMin, a.NormalBinWidth, a.NormalEdges);

  ComputeCounts(uniform, a.UniformEdges, a.UniformCounts);
  ComputeCounts(normal, a.NormalEdges, a.NormalCounts);
}

// entry = single(entry + term): the lag sums accumulate in single precision,
// term by term, each addition carried out in extended.
inline void Accumulate(float& entry, Ext term) {
  entry = static_cast<float>(static_cast<Ext>(entry) + term);
}

// The four lag arrays: entries 0..LAG_COUNT-1 as below, the rest 0. Lag k
// takes the n = 200 - k products of sample j with sample j + k in ascending
// j, each divided by n on its own. The four sums of one (k, j) are
// independent of each other, so they share one pass.
void ComputeLagSums(const UniformSamples& uniform, const NormalSamples& normal, double m,
                    SignalAnalysis& a) {
  a.UniformAutocorr.fill(0.0F);
  a.NormalAutocorr.fill(0.0F);
  a.CentredCrossSum.fill(0.0F);
  a.CrossSum.fill(0.0F);
  const auto level = static_cast<Ext>(m);
  constexpr auto lags = static_cast<std::size_t>(LAG_COUNT);
  for (std::size_t k = 0; k < lags; ++k) {
    const std::size_t n = uniform.size() - k;
    const auto divisor = static_cast<Ext>(n);
    float uniformAuto = 0;
    float normalAuto = 0;
    float centredCross = 0;
    float cross = 0;
    for (std::size_t j = 0; j < n; ++j) {
      const Ext x0 = uniform[j];
      const Ext xk = uniform[j + k];
      const auto y0 = static_cast<Ext>(normal[j]);
      const auto yk = static_cast<Ext>(normal[j + k]);
      Accumulate(uniformAuto, ((x0 - level) * (xk - level)) / divisor);
      Accumulate(normalAuto, (y0 * yk) / divisor);
      Accumulate(centredCross, ((x0 - level) * yk) / divisor);
      Accumulate(cross, (x0 * yk) / divisor);
    }
    a.UniformAutocorr[k] = uniformAuto;
    a.NormalAutocorr[k] = normalAuto;
    a.CentredCrossSum[k] = centredCross;
    a.CrossSum[k] = cross;
  }
}

} // namespace

void ComputeStatistics(StationState& state) {
  SignalAnalysis& analysis = state.Analysis;
  ComputeHistograms(state.Uniform, state.Normal, analysis);
  ComputeLagSums(state.Uniform, state.Normal, state.ReferenceLevel, analysis);
}
