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

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstring>
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

// entry = single(entry + term): the lag sums accumulate in single precision,
// term by term, each addition carried out in extended.
inline void Accumulate(float& entry, Ext term) {
  entry = static_cast<float>(static_cast<Ext>(entry) + term);
}

// One reference step with an exactly known product: what Accumulate does
// with ((x0 - m) * (xk - m)) / n and the like when m is 0. Returns the entry.
float ReferenceStep(float entry, double exactProduct, int n) {
  return static_cast<float>(static_cast<Ext>(entry) +
                            static_cast<Ext>(exactProduct) / static_cast<Ext>(n));
}

// --- The fast path of the lag sums -------------------------------------
//
// The reference takes one extended division and one extended addition per
// term and array, about 100 us per run. The fast path gives the same bits
// much sooner: where every product is exact in double (m is 0, the integer
// samples have at most 24 bits, the normal samples are 0 or of moderate
// magnitude), it forms term and sum in double, 8 lags side by side in SIMD
// lanes, and rounds the sum to single. That differs from the reference only
// when a rounding boundary of single precision (a midpoint between two
// singles) lies within the error bound of the double sum; each such step,
// exact ties included, is redone by the reference arithmetic (about 50 of
// the 45,000 steps of a generated run).

// The lane helpers have internal linkage, so the note that passing vectors
// by value differs between instruction sets concerns no interface.
#pragma GCC diagnostic ignored "-Wpsabi"

using Lanes = double __attribute__((vector_size(4 * sizeof(double))));
using LanesBits = std::uint64_t __attribute__((vector_size(4 * sizeof(double))));
using LanesSigned = std::int64_t __attribute__((vector_size(4 * sizeof(double))));
constexpr int kLanes = 4;
// Lane groups side by side, so that the rounding chains of one group overlap
// with those of the others.
constexpr int kGroups = 2;
constexpr int kLags = kLanes * kGroups;

// Bounds that keep every product exact and every value far from underflow
// and overflow in double and single.
constexpr std::int32_t kMaxFastUniform = 1 << 24;
constexpr float kMinFastNormal = 0x1p-30F;
constexpr float kMaxFastNormal = 0x1p30F;

bool FastPathApplies(const UniformSamples& uniform, const NormalSamples& normal, double m) {
  if (m != 0) return false;
  for (const std::int32_t x : uniform) {
    if (x < -kMaxFastUniform || x > kMaxFastUniform) return false;
  }
  for (const float y : normal) {
    const float magnitude = std::fabs(y);  // NaN fails both tests below
    if (!(magnitude == 0 || (magnitude >= kMinFastNormal && magnitude <= kMaxFastNormal))) {
      return false;
    }
  }
  return true;
}

// acc = single(acc + product / n) for 4 lags; `acc` holds singles widened
// to double.
//
// Why the shortcut is exact: the double term is within 2^-52 of itself of
// the true quotient, the double sum within 2^-53 of itself of the sum of
// its operands, and the reference's extended roundings are far finer. As long
// as |term| <= 4 |sum| (no cancellation), the double sum is therefore within
// 10 units of its own last place of both the exact sum and the reference's
// extended sum. A single keeps the top 24 of the 53 significand bits; if the
// 29 bits it drops are more than 32 units away from the pattern of a midpoint
// (1 followed by 28 zeros), no midpoint between two singles lies within
// reach, and the sum rounded to single is the reference's result. Rounding
// then needs no conversion: add half of the dropped part and clear it. Any
// other lane, exact ties included, takes the reference step.
inline void FastStep(Lanes& acc, const Lanes& product, const Lanes& inverseN, const int* n) {
  constexpr std::uint64_t kSign = std::uint64_t{1} << 63U;
  constexpr std::uint64_t kTwoBinades = std::uint64_t{2} << 52U;  // times 4
  constexpr std::uint64_t kDropped = (std::uint64_t{1} << 29U) - 1;
  constexpr std::uint64_t kMidpoint = std::uint64_t{1} << 28U;
  constexpr std::uint64_t kMargin = 32;

  const Lanes term = product * inverseN;
  const Lanes sum = acc + term;
  const LanesBits sumBits = std::bit_cast<LanesBits>(sum);
  // Magnitudes of finite doubles stay below 2^63: compare them as signed.
  const auto termMagnitude = std::bit_cast<LanesSigned>(std::bit_cast<LanesBits>(term) & ~kSign);
  const auto sumTimesFour = std::bit_cast<LanesSigned>((sumBits & ~kSign) + kTwoBinades);
  const auto offset = std::bit_cast<LanesSigned>((sumBits + (kMargin - kMidpoint)) & kDropped);
  const LanesSigned undecided = (termMagnitude > sumTimesFour) |
                                (offset <= static_cast<std::int64_t>(2 * kMargin));
  const Lanes next = std::bit_cast<Lanes>((sumBits + kMidpoint) & ~kDropped);
  if ((undecided[0] | undecided[1] | undecided[2] | undecided[3]) == 0) {
    acc = next;
    return;
  }
  Lanes result = next;
  for (int i = 0; i < kLanes; ++i) {
    if (undecided[i] != 0) {
      result[i] = static_cast<double>(ReferenceStep(static_cast<float>(acc[i]), product[i], n[i]));
    }
  }
  acc = result;
}

inline void LoadLanes(Lanes& lanes, const double* from) {
  std::memcpy(&lanes, from, sizeof lanes);
}

// All 100 lags of the four lag arrays (which hold 0 on entry); only when
// FastPathApplies. CentredCrossSum equals CrossSum because m is 0. Built
// twice, the wider build chosen at load time where the processor has AVX2:
// the same IEEE operations, so the same bits, in about half the time.
__attribute__((target_clones("avx2", "default")))
void FastLagSums(const UniformSamples& uniform, const NormalSamples& normal,
                 SignalAnalysis& a) {
  // Widened copies, padded so that the lanes past lag 99 read zeros.
  std::array<double, SAMPLE_COUNT + 2 * kLags> x{};
  std::array<double, SAMPLE_COUNT + 2 * kLags> y{};
  for (std::size_t j = 0; j < uniform.size(); ++j) {
    x[j] = uniform[j];
    y[j] = static_cast<double>(normal[j]);
  }
  for (int first = 0; first < LAG_COUNT; first += kLags) {
    const int last = std::min(first + kLags, LAG_COUNT) - 1;
    std::array<int, kLags> n{};
    std::array<Lanes, kGroups> inverseN{};
    for (int i = 0; i < kLags; ++i) {
      n[static_cast<std::size_t>(i)] = SAMPLE_COUNT - (first + i);
      inverseN[static_cast<std::size_t>(i / kLanes)][i % kLanes] =
          1.0 / n[static_cast<std::size_t>(i)];
    }
    std::array<Lanes, kGroups> uniformAuto{};
    std::array<Lanes, kGroups> normalAuto{};
    std::array<Lanes, kGroups> cross{};
    // Ascending j up to the last term of the block's smallest lag; a larger
    // lag reads the zero padding past sample 199 there, and a zero product
    // leaves its sums as they are.
    const auto steps = static_cast<std::size_t>(SAMPLE_COUNT - first);
    for (std::size_t j = 0; j < steps; ++j) {
      const Lanes xj = Lanes{} + x[j];
      const Lanes yj = Lanes{} + y[j];
      for (std::size_t g = 0; g < kGroups; ++g) {
        const std::size_t lag = j + static_cast<std::size_t>(first) + g * kLanes;
        Lanes xLag;
        Lanes yLag;
        LoadLanes(xLag, x.data() + lag);
        LoadLanes(yLag, y.data() + lag);
        const int* groupN = n.data() + g * kLanes;
        FastStep(uniformAuto[g], xj * xLag, inverseN[g], groupN);
        FastStep(normalAuto[g], yj * yLag, inverseN[g], groupN);
        FastStep(cross[g], xj * yLag, inverseN[g], groupN);
      }
    }
    for (int i = 0; i + first <= last; ++i) {
      const auto k = static_cast<std::size_t>(first + i);
      const auto g = static_cast<std::size_t>(i / kLanes);
      const int lane = i % kLanes;
      a.UniformAutocorr[k] = static_cast<float>(uniformAuto[g][lane]);
      a.NormalAutocorr[k] = static_cast<float>(normalAuto[g][lane]);
      a.CrossSum[k] = static_cast<float>(cross[g][lane]);
      a.CentredCrossSum[k] = a.CrossSum[k];
    }
  }
}

} // namespace

void ComputeHistograms(const UniformSamples& uniform, const NormalSamples& normal,
                       SignalAnalysis& analysis) {
  analysis.UniformAutocorr.fill(0.0F);
  analysis.NormalAutocorr.fill(0.0F);
  analysis.CentredCrossSum.fill(0.0F);
  analysis.CrossSum.fill(0.0F);
  analysis.UniformCounts.fill(0.0F);
  analysis.NormalCounts.fill(0.0F);

  ComputeRanges(uniform, normal, analysis);

  // Multiplied by the extended tenth, not divided by 10.
  analysis.UniformBinWidth = static_cast<double>(
      (static_cast<Ext>(analysis.UniformMax) - static_cast<Ext>(analysis.UniformMin)) * kTenth);
  analysis.NormalBinWidth = static_cast<double>(
      (static_cast<Ext>(analysis.NormalMax) - static_cast<Ext>(analysis.NormalMin)) * kTenth);

  ComputeEdges(analysis.UniformMin, analysis.UniformBinWidth, analysis.UniformEdges);
  ComputeEdges(analysis.NormalMin, analysis.NormalBinWidth, analysis.NormalEdges);

  ComputeCounts(uniform, analysis.UniformEdges, analysis.UniformCounts);
  ComputeCounts(normal, analysis.NormalEdges, analysis.NormalCounts);
}

void ComputeLagSums(const UniformSamples& uniform, const NormalSamples& normal, double m,
                    int lag, SignalAnalysis& analysis) {
  if (lag < 0 || lag >= LAG_COUNT) return;  // entries 100..199 stay 0
  const auto k = static_cast<std::size_t>(lag);
  const std::size_t n = uniform.size() - k;
  const Ext divisor = static_cast<Ext>(n);
  const auto level = static_cast<Ext>(m);
  float& uniformAuto = analysis.UniformAutocorr[k];
  float& normalAuto = analysis.NormalAutocorr[k];
  float& centred = analysis.CentredCrossSum[k];
  float& plain = analysis.CrossSum[k];
  for (std::size_t j = 0; j < n; ++j) {
    const Ext x0 = uniform[j];
    const Ext xk = uniform[j + k];
    const auto y0 = static_cast<Ext>(normal[j]);
    const auto yk = static_cast<Ext>(normal[j + k]);
    Accumulate(uniformAuto, ((x0 - level) * (xk - level)) / divisor);
    Accumulate(normalAuto, (y0 * yk) / divisor);
    Accumulate(centred, ((x0 - level) * yk) / divisor);
    Accumulate(plain, (x0 * yk) / divisor);
  }
}

void ComputeStatistics(const UniformSamples& uniform, const NormalSamples& normal, double m,
                       SignalAnalysis& analysis) {
  ComputeHistograms(uniform, normal, analysis);
  if (FastPathApplies(uniform, normal, m)) {
    FastLagSums(uniform, normal, analysis);
    return;
  }
  for (int k = 0; k < LAG_COUNT; ++k) ComputeLagSums(uniform, normal, m, k, analysis);
}

void ComputeStatistics(StationState& state) {
  ComputeStatistics(state.Uniform, state.Normal, state.ReferenceLevel, state.Analysis);
}
