// Generator.cpp - the uniform and the normal test signal.
#include "Generator.h"

#include <cmath>
#include <ctime>

#include "Random.h"

namespace {

// The double nearest to 2 pi.
constexpr double kTwoPi = 6.283185307179586;

} // namespace

float NormalSample(std::int32_t k1, std::int32_t k2) {
  // A draw K1 = 0 would take the square root of minus infinity: a NaN that
  // the listing, the frame and the statistics would then carry. This project
  // gives such a sample the value of K1 = 1 instead, that is 0.0, so every
  // generated sample is a finite number in 0..4.5600829 (about one run in 164
  // contains such a draw).
  const double magnitudeDraw = k1 == 0 ? 1.0 : static_cast<double>(k1);
  const double r = std::sqrt(std::log(magnitudeDraw) * 2.0);
  const double w = std::cos(static_cast<double>(k2) * kTwoPi);
  return static_cast<float>(r * w);
}

void GenerateSignals(UniformSamples& uniform, NormalSamples& normal, std::uint32_t seconds) {
  SeedRandom(seconds);
  for (std::size_t i = 0; i < uniform.size(); ++i) {
    // Separate statements: the order of the three draws is part of the signal.
    const std::int32_t l = LongRandom();
    const std::int32_t k1 = ShortRandom();
    const std::int32_t k2 = ShortRandom();
    uniform[i] = l % SAMPLE_COUNT;
    normal[i] = NormalSample(k1, k2);
  }
}

void GenerateSignals(UniformSamples& uniform, NormalSamples& normal) {
  // Whole seconds, wrapped to 32 bits as the seed operation takes them.
  const auto seconds = static_cast<std::uint32_t>(std::time(nullptr));
  GenerateSignals(uniform, normal, seconds);
}
