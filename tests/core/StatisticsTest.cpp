// The statistics: worked values, bin rules, the carried-over normal range,
// the lag sums and their single-precision accumulation, damaged input, and
// the lag sums bit for bit over generated and hostile signals.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numeric>
#include <random>

#include "Digest.h"
#include "Generator.h"
#include "StationState.h"
#include "Statistics.h"

namespace {

float CountSum(const std::array<float, BIN_COUNT>& counts) {
  return std::accumulate(counts.begin(), counts.end(), 0.0F);
}

// The record of one run on these samples, starting from `before` (whose
// normal range the run widens).
SignalAnalysis Analyse(const UniformSamples& u, const NormalSamples& n, double m = 0.0,
                       const SignalAnalysis& before = {}) {
  StationState state;
  state.Uniform = u;
  state.Normal = n;
  state.ReferenceLevel = m;
  state.Analysis = before;
  ComputeStatistics(state);
  return state.Analysis;
}

UniformSamples Ramp() {
  UniformSamples u{};
  std::iota(u.begin(), u.end(), 0);
  return u;
}

TEST(Statistics, RampGivesWidthOfNineteenPointNineAndTwentyPerBin) {
  const SignalAnalysis a = Analyse(Ramp(), NormalSamples{});
  EXPECT_EQ(a.UniformMin, 0.0);
  EXPECT_EQ(a.UniformMax, 199.0);
  EXPECT_EQ(a.UniformBinWidth, 19.9);
  const std::array<float, BIN_COUNT> edges{0.0F,   19.9F,  39.8F,  59.7F,  79.6F,
                                           99.5F,  119.4F, 139.3F, 159.2F, 179.1F};
  for (std::size_t b = 0; b < BIN_COUNT; ++b) {
    EXPECT_EQ(a.UniformEdges[b], edges[b]) << "edge " << b;
    EXPECT_EQ(a.UniformCounts[b], 20.0F) << "bin " << b;
  }
  // Normal samples all 0 with a fresh range: width 0, everything in bin 9,
  // and the sums that involve the normal signal are 0 at every lag.
  EXPECT_EQ(a.NormalBinWidth, 0.0);
  EXPECT_EQ(a.NormalCounts[9], 200.0F);
  for (std::size_t k = 0; k < SAMPLE_COUNT; ++k) {
    EXPECT_EQ(a.NormalAutocorr[k], 0.0F);
    EXPECT_EQ(a.CrossSum[k], 0.0F);
    EXPECT_EQ(a.CentredCrossSum[k], 0.0F);
  }
}

TEST(Statistics, EqualSamplesAllLandInBinNine) {
  UniformSamples u{};
  u.fill(-37);
  NormalSamples n{};
  n.fill(0.0F);
  const SignalAnalysis a = Analyse(u, n);
  EXPECT_EQ(a.UniformBinWidth, 0.0);
  for (std::size_t b = 0; b < BIN_COUNT; ++b) {
    EXPECT_EQ(a.UniformEdges[b], -37.0F);
    EXPECT_EQ(a.UniformCounts[b], b == 9 ? 200.0F : 0.0F);
    EXPECT_EQ(a.NormalCounts[b], b == 9 ? 200.0F : 0.0F);
  }
}

TEST(Statistics, SampleOnAnInnerEdgeCountsInTheBinAbove) {
  // Range 0..100: width 10, edges 0, 10, ..., 90.
  UniformSamples u{};
  u.fill(5);
  u[0] = 0;
  u[1] = 100;
  u[2] = 10;  // edge 1 -> bin 1
  u[3] = 90;  // edge 9 -> bin 9
  u[4] = 19;  // just below edge 2 -> bin 1
  NormalSamples n{};
  n.fill(1.0F);
  n[0] = 2.0F;  // NormalMax 2, width 0.2: the maximum goes to bin 9
  const SignalAnalysis a = Analyse(u, n);
  EXPECT_EQ(a.UniformCounts[0], 196.0F);  // 0 and the 195 fives
  EXPECT_EQ(a.UniformCounts[1], 2.0F);    // 10 and 19
  EXPECT_EQ(a.UniformCounts[9], 2.0F);
  EXPECT_EQ(CountSum(a.UniformCounts), 200.0F);
  EXPECT_EQ(a.NormalCounts[9], 1.0F);
  EXPECT_EQ(CountSum(a.NormalCounts), 200.0F);
}

TEST(Statistics, IntegerSamplesAreComparedExactlyNotThroughSingles) {
  // 16777217 has no single: compared as a single it would equal the edge
  // 16777216 of bin 1 ... and fall into the wrong bin.
  UniformSamples u{};
  u.fill(16777216);
  u[0] = 16777216;
  u[1] = 16777216 + 20;  // max: width 2, edges 16777216, ...218, ...
  u[2] = 16777217;       // below edge 1 (16777218): bin 0
  const SignalAnalysis a = Analyse(u, NormalSamples{});
  EXPECT_EQ(a.UniformEdges[1], 16777218.0F);
  EXPECT_EQ(a.UniformCounts[0], 199.0F);
  EXPECT_EQ(a.UniformCounts[9], 1.0F);
}

TEST(Statistics, NormalRangeCarriesOverAndOnlyWidens) {
  StationState state;
  state.Normal.fill(1.0F);
  state.Normal[7] = 4.0F;
  ComputeStatistics(state);
  EXPECT_EQ(state.Analysis.NormalMax, 4.0);
  EXPECT_EQ(state.Analysis.NormalMin, 0.0);  // 0 from the start stays inside

  state.Normal.fill(0.5F);  // all well below the earlier maximum
  ComputeStatistics(state);
  EXPECT_EQ(state.Analysis.NormalMax, 4.0);
  EXPECT_EQ(state.Analysis.NormalMin, 0.0);
  EXPECT_EQ(state.Analysis.NormalBinWidth, 0.4);
  EXPECT_EQ(state.Analysis.NormalCounts[1], 200.0F);  // crowded low: 0.4 <= 0.5 < 0.8

  state.Normal[3] = -2.5F;
  ComputeStatistics(state);
  EXPECT_EQ(state.Analysis.NormalMax, 4.0);
  EXPECT_EQ(state.Analysis.NormalMin, -2.5);

  // The uniform range, by contrast, is taken afresh.
  state.Uniform.fill(3);
  ComputeStatistics(state);
  EXPECT_EQ(state.Analysis.UniformMax, 3.0);
  EXPECT_EQ(state.Analysis.UniformMin, 3.0);
}

TEST(Statistics, LagSumsFollowTheirDefinitions) {
  UniformSamples u{};
  NormalSamples n{};
  GenerateSignals(u, n, 12345U);
  SignalAnalysis earlier{};
  earlier.UniformAutocorr.fill(9.0F);  // left over from an earlier run
  earlier.CrossSum.fill(9.0F);
  const SignalAnalysis a = Analyse(u, n, 0.0, earlier);
  for (std::size_t k = LAG_COUNT; k < SAMPLE_COUNT; ++k) {
    EXPECT_EQ(a.UniformAutocorr[k], 0.0F);
    EXPECT_EQ(a.NormalAutocorr[k], 0.0F);
    EXPECT_EQ(a.CrossSum[k], 0.0F);
    EXPECT_EQ(a.CentredCrossSum[k], 0.0F);
  }
  // m = 0: the centred cross sum is the plain one.
  EXPECT_EQ(a.CentredCrossSum, a.CrossSum);

  // Worked by hand, every value exact: x = 20 at j = 10 and 50, y = 10 at
  // j = 50, 0 elsewhere. Lag k pairs x[j] with x[j + k] and y[j + k] and
  // divides by 200 - k: 400/200 twice, 400/160 (j = 10); 100/200; 200/200
  // (j = 50), 200/160 (j = 10).
  UniformSamples x{};
  x[10] = x[50] = 20;
  NormalSamples y{};
  y[50] = 10.0F;
  const SignalAnalysis p = Analyse(x, y);
  for (std::size_t k = 0; k < LAG_COUNT; ++k) {
    EXPECT_EQ(p.UniformAutocorr[k], k == 0 ? 4.0F : k == 40 ? 2.5F : 0.0F) << "lag " << k;
    EXPECT_EQ(p.NormalAutocorr[k], k == 0 ? 0.5F : 0.0F) << "lag " << k;
    EXPECT_EQ(p.CrossSum[k], k == 0 ? 1.0F : k == 40 ? 1.25F : 0.0F) << "lag " << k;
  }
  // Centred on m = 10, x - m is 10 at j = 10 and 50, -10 elsewhere: lag 0 sums
  // 200 terms 100/200; lag 40 159 terms 100/160 and one -100/160 (j = 50). The
  // centred cross sum has one term at each lag k <= 50 (j = 50 - k); the plain
  // one is not centred.
  const SignalAnalysis c = Analyse(x, y, 10.0);
  EXPECT_EQ(c.UniformAutocorr[0], 100.0F);
  EXPECT_EQ(c.UniformAutocorr[40], 98.75F);
  EXPECT_EQ(c.CentredCrossSum[0], 0.5F);
  EXPECT_EQ(c.CentredCrossSum[40], 0.625F);
  EXPECT_LT(c.CentredCrossSum[20], 0.0F);
  EXPECT_EQ(c.CentredCrossSum[51], 0.0F);
  EXPECT_EQ(c.CrossSum, p.CrossSum);
}

TEST(Statistics, LagSumsAccumulateInSinglePrecisionTermByTerm) {
  // One large product first; each later term (0.5^2/200) is below half a unit
  // in the last place of the single entry, so single accumulation drops every
  // one of them, while an extended or double accumulation would gain 0.249.
  NormalSamples n{};
  n.fill(0.5F);
  n[0] = 4096.0F;
  const SignalAnalysis a = Analyse(UniformSamples{}, n);
  EXPECT_EQ(a.NormalAutocorr[0], static_cast<float>(4096.0L * 4096.0L / 200.0L));
}

TEST(Statistics, SumsAHairFromAMidpointBetweenSinglesRoundToTheNearer) {
  // CrossSum[0] = single(single(200 * F / 200) + X * Y / 200) with X * Y a
  // hair above or below 100 units of F's last place: the exact sum lies just
  // past or just short of the midpoint between F and the next single, closer
  // than a double can tell apart: a sum formed in double lands on the
  // midpoint and rounds the same way for both.
  const float f = 1024.0F;  // one unit in the last place: 2^-13
  const long double target = 100.0L * 0x1p-13L;
  int above = 0;
  int below = 0;
  for (std::int32_t x = 1 << 20; x < (1 << 21) && (above < 4 || below < 4); ++x) {
    const auto y = static_cast<float>(target / x);
    const long double excess = static_cast<long double>(x) * static_cast<long double>(y) - target;
    if (excess == 0 || std::fabs(excess) > target * 0x1p-33L) continue;
    int& side = excess > 0 ? above : below;
    if (side == 4) continue;
    ++side;
    UniformSamples u{};
    NormalSamples n{};
    u[0] = 200;
    n[0] = f;
    u[1] = x;
    n[1] = y;
    const SignalAnalysis a = Analyse(u, n);
    EXPECT_EQ(a.CrossSum[0], excess > 0 ? std::nextafter(f, 2048.0F) : f) << "x " << x;
  }
  EXPECT_EQ(above + below, 8);

  // The same with a product too long for a double: X * Y has 55 bits and
  // X * Y -/+ 1 is 200 times a midpoint between two singles, so CrossSum[0]
  // = X * Y / 200 lies a hair off it. Formed in double, the product loses the
  // 1 and the tie rounds to even: the wrong single in both cases below.
  const struct {
    std::int32_t x;
    float y;
    int offset;
  } longProducts[] = {{2147482837, 15639427.0F, -1}, {2147481187, 16661323.0F, +1}};
  for (const auto& c : longProducts) {
    const std::uint64_t product =
        static_cast<std::uint64_t>(c.x) * static_cast<std::uint64_t>(c.y);
    const std::uint64_t onMidpoint = c.offset > 0 ? product - 1 : product + 1;
    ASSERT_EQ(onMidpoint % 200, 0U) << "x " << c.x;
    const auto midpoint = static_cast<long double>(onMidpoint / 200);  // exact: 52 bits
    const float even = static_cast<float>(midpoint);  // the tie goes to the even neighbour
    const float lower =
        static_cast<long double>(even) < midpoint ? even : std::nextafter(even, 0.0F);
    const float upper = std::nextafter(lower, 0x1p60F);
    ASSERT_EQ((static_cast<long double>(lower) + upper) / 2, midpoint) << "x " << c.x;
    UniformSamples u{};
    NormalSamples n{};
    u[0] = c.x;
    n[0] = c.y;
    const SignalAnalysis a = Analyse(u, n);
    EXPECT_EQ(a.CrossSum[0], c.offset > 0 ? upper : lower) << "x " << c.x;
  }
}

TEST(Statistics, NonFiniteAndHugeSamplesAreCarriedThrough) {
  StationState state;
  state.Uniform = Ramp();
  state.Normal.fill(1.0F);
  state.Normal[10] = std::numeric_limits<float>::quiet_NaN();
  ComputeStatistics(state);  // NaN: widens nothing, lands in bin 9
  EXPECT_EQ(state.Analysis.NormalMax, 1.0);
  EXPECT_EQ(CountSum(state.Analysis.NormalCounts), 200.0F);
  EXPECT_TRUE(std::isnan(state.Analysis.NormalAutocorr[0]));
  EXPECT_EQ(state.Analysis.UniformCounts[3], 20.0F);  // the uniform side is intact

  state.Normal[10] = 3.0e38F;  // finite, but its square leaves single range
  ComputeStatistics(state);
  EXPECT_EQ(state.Analysis.NormalMax, static_cast<double>(3.0e38F));
  EXPECT_TRUE(std::isinf(state.Analysis.NormalAutocorr[0]));
  EXPECT_EQ(CountSum(state.Analysis.NormalCounts), 200.0F);

  state.Normal[11] = -std::numeric_limits<float>::infinity();
  state.Normal[12] = std::numeric_limits<float>::infinity();
  ComputeStatistics(state);
  EXPECT_TRUE(std::isinf(state.Analysis.NormalMax));
  EXPECT_TRUE(std::isinf(state.Analysis.NormalMin));
  EXPECT_EQ(CountSum(state.Analysis.NormalCounts), 200.0F);

  // Later runs with sound samples still complete; the range stays infinite.
  state.Normal.fill(2.0F);
  ComputeStatistics(state);
  EXPECT_EQ(state.Analysis.NormalCounts[9], 200.0F);
  EXPECT_NEAR(state.Analysis.NormalAutocorr[0], 4.0F, 1e-4F);
  EXPECT_EQ(CountSum(state.Analysis.UniformCounts), 200.0F);
}

TEST(Statistics, LagSumsAreBitExactOnGeneratedAndHostileSignals) {
  std::mt19937 random(2024);
  std::uniform_int_distribution<int> pick(0, 5);
  Digest digest;
  for (std::uint32_t seed = 0; seed < 300; ++seed) {
    UniformSamples u{};
    NormalSamples n{};
    GenerateSignals(u, n, seed);
    double m = 0.0;
    switch (pick(random)) {
      case 0:  // as generated
        break;
      case 1: {  // dyadic values: exact ties between singles are frequent
        std::uniform_int_distribution<int> x(150, 199);
        std::uniform_int_distribution<int> y(600, 800);
        for (auto& v : u) v = x(random);
        for (auto& v : n) v = static_cast<float>(y(random)) / 4.0F;
        break;
      }
      case 2: {  // signs and magnitudes of a damaged frame
        std::uniform_int_distribution<int> x(-32768, 65535);
        std::uniform_real_distribution<float> y(-1e6F, 1e6F);
        for (auto& v : u) v = x(random);
        for (auto& v : n) v = y(random);
        break;
      }
      case 3: {  // tiny and large normal samples: products beyond single range
        for (auto& v : n) v *= (random() % 2 != 0) ? 1e-35F : 1e35F;
        break;
      }
      case 4:  // a reference level other than 0
        m = 99.5;
        break;
      default: {  // integer samples beyond 24 bits
        for (auto& v : u) v = static_cast<std::int32_t>(random() >> 1U);
        break;
      }
    }
    SignalAnalysis before{};
    before.NormalMax = 1.5;
    const SignalAnalysis a = Analyse(u, n, m, before);
    for (const auto* lags : {&a.UniformAutocorr, &a.NormalAutocorr, &a.CentredCrossSum, &a.CrossSum})
      digest.Add(lags->data(), sizeof *lags);
    const auto [uniformMin, uniformMax] = std::minmax_element(u.begin(), u.end());
    const auto [normalMin, normalMax] = std::minmax_element(n.begin(), n.end());
    EXPECT_EQ(a.UniformMin, *uniformMin) << "seed " << seed;
    EXPECT_EQ(a.UniformMax, *uniformMax) << "seed " << seed;
    EXPECT_EQ(a.NormalMin, std::min(0.0, static_cast<double>(*normalMin))) << "seed " << seed;
    EXPECT_EQ(a.NormalMax, std::max(1.5, static_cast<double>(*normalMax))) << "seed " << seed;
    EXPECT_EQ(CountSum(a.UniformCounts), 200.0F);
    EXPECT_EQ(CountSum(a.NormalCounts), 200.0F);
    if (m == 0.0) {
      EXPECT_EQ(a.CentredCrossSum, a.CrossSum);
    }
  }
  // Recorded from a run in which every entry of the 300 records equalled, bit
  // for bit, its sum written out term by term in extended precision (the
  // check this test made until the digest replaced it).
  EXPECT_EQ(Hex(digest.Value()), "D4AD2FA89A6C52FC");
}

}  // namespace
