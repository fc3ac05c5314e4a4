// The random engine: ranges of both draws and uniformity of what the
// generator makes of them, over many seeds (chi-square tests).
#include <gtest/gtest.h>

#include <array>
#include <cmath>

#include "Generator.h"
#include "Random.h"

namespace {

// Chi-square statistic of `counts` against equal expected counts.
template <std::size_t N>
double ChiSquare(const std::array<long, N>& counts) {
  double total = 0;
  for (const long c : counts) total += static_cast<double>(c);
  const double expected = total / static_cast<double>(N);
  double chi = 0;
  for (const long c : counts) {
    const double d = static_cast<double>(c) - expected;
    chi += d * d / expected;
  }
  return chi;
}

// The chi-square value that a sound generator exceeds with probability
// about 1e-6 (Wilson-Hilferty, z = 4.75). The seeds are fixed, so the test
// is deterministic; the bound only has to be loose enough for a sound one.
double Critical(int degrees) {
  const double k = degrees;
  const double a = 2.0 / (9.0 * k);
  return k * std::pow(1.0 - a + 4.75 * std::sqrt(a), 3.0);
}

TEST(Random, DrawsCoverTheirRanges) {
  std::int32_t shortMin = 99999, shortMax = -1, longMin = 0x7FFFFFFF, longMax = -1;
  for (std::uint32_t seed = 0; seed < 20; ++seed) {
    SeedRandom(seed);
    for (int i = 0; i < 20000; ++i) {
      const std::int32_t s = ShortRandom();
      const std::int32_t l = LongRandom();
      shortMin = std::min(shortMin, s);
      shortMax = std::max(shortMax, s);
      longMin = std::min(longMin, l);
      longMax = std::max(longMax, l);
    }
  }
  EXPECT_EQ(shortMin, 0);
  EXPECT_EQ(shortMax, 32767);
  EXPECT_GE(longMin, 0);
  EXPECT_LT(longMin, 1 << 16);
  EXPECT_GT(longMax, 0x7FFFFFFF - (1 << 16));
}

TEST(Random, UniformSignalIsUniformAcrossManySeconds) {
  // 2000 consecutive seconds, as a lab would press the button: the values
  // 0..199 over all runs, the parity of neighbouring samples (a
  // power-of-two LCG alternates its low bit and fails this), and the low
  // byte of the short draws.
  std::array<long, 200> values{};
  std::array<long, 4> parityPairs{};
  std::array<long, 256> shortLowByte{};
  for (std::uint32_t seed = 1700000000U; seed < 1700002000U; ++seed) {
    UniformSamples u{};
    NormalSamples n{};
    GenerateSignals(u, n, seed);
    for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
      ++values[static_cast<std::size_t>(u[i])];
      if (i + 1 < SAMPLE_COUNT) {
        ++parityPairs[static_cast<std::size_t>(u[i] % 2 * 2 + u[i + 1] % 2)];
      }
    }
    SeedRandom(seed);
    for (int i = 0; i < 100; ++i) ++shortLowByte[static_cast<std::size_t>(ShortRandom() & 0xFF)];
  }
  EXPECT_LT(ChiSquare(values), Critical(199));
  EXPECT_LT(ChiSquare(parityPairs), Critical(3));
  EXPECT_LT(ChiSquare(shortLowByte), Critical(255));
}

}  // namespace
