#include "SendableSamples.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>

namespace {

constexpr int kLargestDraw = 32767;

// The bit patterns of the sendable floats, ascending. sqrt(2 ln k) rises
// with k and is never negative, so ascending k gives ascending patterns.
// Computed as the generator computes them: in double, rounded once to float.
using SendableTable = std::array<std::uint32_t, kLargestDraw>;

SendableTable MakeTable() {
  SendableTable table{};
  for (int k = 1; k <= kLargestDraw; ++k) {
    const double magnitude = std::sqrt(std::log(static_cast<double>(k)) * 2.0);
    table[static_cast<std::size_t>(k - 1)] = std::bit_cast<std::uint32_t>(static_cast<float>(magnitude));
  }
  return table;
}

const SendableTable& Table() {
  static const SendableTable table = MakeTable();
  return table;
}

}  // namespace

bool IsSendableUniform(std::int32_t value) { return value >= 0 && value < SAMPLE_COUNT; }

bool IsSendableNormal(float value) {
  const SendableTable& table = Table();
  return std::binary_search(table.begin(), table.end(), std::bit_cast<std::uint32_t>(value));
}

TUnsendableSamples FindUnsendableSamples(const UniformSamples& uniform, const NormalSamples& normal) {
  TUnsendableSamples found;
  for (int i = 0; i < SAMPLE_COUNT; ++i) {
    const auto at = static_cast<std::size_t>(i);
    if (!IsSendableUniform(uniform[at])) found.Uniform.push_back(i);
    if (!IsSendableNormal(normal[at])) found.Normal.push_back(i);
  }
  return found;
}
