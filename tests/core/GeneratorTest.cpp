// The generator: ranges and values, the order of the draws, reseeding from
// the clock, and the K1 = 0 draw.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <limits>

#include "Generator.h"
#include "Random.h"

namespace {

struct Signals {
  UniformSamples uniform{};
  NormalSamples normal{};
  bool operator==(const Signals&) const = default;
};

Signals Generate(std::uint32_t seconds) {
  Signals s;
  GenerateSignals(s.uniform, s.normal, seconds);
  return s;
}

TEST(Generator, EverySampleIsWrittenAndInRange) {
  for (std::uint32_t seed = 0; seed < 200; ++seed) {
    Signals s;
    s.uniform.fill(-1);  // left over from an earlier run
    s.normal.fill(std::numeric_limits<float>::quiet_NaN());
    GenerateSignals(s.uniform, s.normal, seed * 7919U);
    for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
      ASSERT_GE(s.uniform[i], 0);
      ASSERT_LE(s.uniform[i], 199);
      ASSERT_GE(s.normal[i], 0.0F);  // false for a NaN
      ASSERT_LE(s.normal[i], 4.56008291F);
    }
  }
}

TEST(Generator, DrawsAreTakenInTheOrderLK1K2SampleAfterSample) {
  for (const std::uint32_t seed : {0U, 1U, 1700000000U, 0xFFFFFFFFU}) {
    Signals expected;
    SeedRandom(seed);
    for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
      const std::int32_t l = LongRandom();
      const std::int32_t k1 = ShortRandom();
      const std::int32_t k2 = ShortRandom();
      expected.uniform[i] = l % 200;
      expected.normal[i] = NormalSample(k1, k2);
    }
    EXPECT_EQ(Generate(seed), expected) << "seed " << seed;
  }
}

TEST(Generator, EachCallReseedsSoOnlyTheSecondCounts) {
  const Signals first = Generate(1700000000U);
  LongRandom();  // whatever happened to the engine in between
  EXPECT_EQ(Generate(1700000000U), first);
  EXPECT_NE(Generate(1700000001U), first);

  // The clock version: two calls within one second give identical signals,
  // the same as the seam given that second.
  for (int attempt = 0; attempt < 5; ++attempt) {
    const std::time_t before = std::time(nullptr);
    Signals a;
    Signals b;
    GenerateSignals(a.uniform, a.normal);
    GenerateSignals(b.uniform, b.normal);
    if (std::time(nullptr) != before) continue;  // crossed a second: try again
    EXPECT_EQ(a, b);
    EXPECT_EQ(a, Generate(static_cast<std::uint32_t>(before)));
    return;
  }
  FAIL() << "could not stay within one clock second";
}

TEST(Generator, NormalSampleDependsOnK1Only) {
  // The floats nearest to sqrt(2 ln K1), worked to 40 digits with Python's
  // decimal module.
  EXPECT_EQ(NormalSample(1, 0), 0.0F);
  EXPECT_EQ(NormalSample(2, 0), 1.17741000652313F);
  EXPECT_EQ(NormalSample(1000, 0), 3.71692230987549F);
  EXPECT_EQ(NormalSample(16384, 0), 4.4054651260376F);
  EXPECT_EQ(NormalSample(32767, 0), 4.56008291244507F);
  // sqrt(2 ln k) rises with k: a step of 14 units in the last place at the
  // least (near 32767).
  for (std::int32_t k1 = 2; k1 <= 32767; ++k1) {
    ASSERT_LT(NormalSample(k1 - 1, 0), NormalSample(k1, 0)) << k1;
  }
  for (const std::int32_t k1 : {0, 1, 2, 3, 1000, 16384, 32767}) {
    const float expected = NormalSample(k1, 0);
    for (std::int32_t k2 = 0; k2 <= 32767; ++k2) {
      ASSERT_EQ(NormalSample(k1, k2), expected) << k1 << " " << k2;
    }
  }
  EXPECT_EQ(NormalSample(1, 12345), 0.0F);
  EXPECT_EQ(NormalSample(0, 12345), 0.0F);  // the value of K1 = 1, not a NaN
}

TEST(Generator, RunWithAK1DrawOfZeroHoldsZeroThere) {
  // Find a second whose run draws K1 = 0, by replaying the draws.
  for (std::uint32_t seed = 0; seed < 100000; ++seed) {
    SeedRandom(seed);
    for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
      LongRandom();
      const std::int32_t k1 = ShortRandom();
      ShortRandom();
      if (k1 != 0) continue;
      const Signals s = Generate(seed);
      EXPECT_EQ(s.normal[i], 0.0F);
      for (const float y : s.normal) EXPECT_TRUE(std::isfinite(y));
      return;
    }
  }
  FAIL() << "no run with K1 = 0 among 100000 seconds";
}

}  // namespace
