// Random.cpp - PCG32 (XSH-RR) as the process-wide engine.
//
// Why PCG32: a power-of-two-modulus LCG (the classic runtime rand) has low
// bits that cycle with a tiny period, so L mod 200 would not be uniform.
// PCG32 runs the same 64-bit LCG but outputs a permuted function of the high
// state bits, so every output bit, the low ones included, passes the usual
// statistical batteries; it is small, fast and fully specified, so a seed
// means the same sequence on every build.
#include "Random.h"

namespace {

constexpr std::uint64_t kMultiplier = 6364136223846793005ULL;
// Any odd increment selects one of the PCG streams; this is the reference one.
constexpr std::uint64_t kIncrement = 1442695040888963407ULL;

std::uint64_t engineState = 0x853c49e6748fea9bULL;

// One step of the engine. Returns 32 output bits.
std::uint32_t NextBits() {
  const std::uint64_t old = engineState;
  engineState = old * kMultiplier + kIncrement;
  const auto xorShifted = static_cast<std::uint32_t>(((old >> 18U) ^ old) >> 27U);
  const auto rotation = static_cast<std::uint32_t>(old >> 59U);
  return (xorShifted >> rotation) | (xorShifted << ((32U - rotation) & 31U));
}

} // namespace

void SeedRandom(std::uint32_t seed) {
  // The reference PCG seeding: start from zero, step, mix the seed in, step.
  engineState = 0;
  NextBits();
  engineState += seed;
  NextBits();
}

std::int32_t ShortRandom() {
  // The top bits of the output are as good as any; take 15 of them.
  return static_cast<std::int32_t>(NextBits() >> 17U);
}

std::int32_t LongRandom() {
  return static_cast<std::int32_t>(NextBits() >> 1U);
}
