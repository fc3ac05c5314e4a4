#include "Noise.h"

#include <charconv>
#include <cmath>

Noise::Noise(double rate, std::uint64_t seed, std::uint32_t stream) {
  std::seed_seq sequence{static_cast<std::uint32_t>(seed), static_cast<std::uint32_t>(seed >> 32), stream};
  engine_.seed(sequence);
  if (rate >= 1) {
    every_ = true;
  } else if (rate > 0) {
    // rate * 2^64, below 2^64; 0 only for rates under 2^-64.
    threshold_ = static_cast<std::uint64_t>(std::ldexp(static_cast<long double>(rate), 64));
  }
}

std::uint8_t Noise::Flips() {
  if (!On()) return 0;
  unsigned mask = 0;
  for (unsigned bit = 0; bit < 8; ++bit)
    if (every_ || engine_() < threshold_) mask |= 1U << bit;
  return static_cast<std::uint8_t>(mask);
}

bool ParseNoiseRate(std::string_view text, double& rate) {
  const char* end = text.data() + text.size();
  const auto result = std::from_chars(text.data(), end, rate);
  return result.ec == std::errc() && result.ptr == end && std::isfinite(rate) && rate >= 0 && rate <= 1;
}
