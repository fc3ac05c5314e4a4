// SameBitsTest.cpp - the same bits on every platform: digests of the
// generator, the statistics and the number text over fixed inputs, recorded
// on Linux. The Windows cross build runs this file under wine, so a Windows
// station's charts and lists are proven to equal a Linux station's.
#include <gtest/gtest.h>

#include <bit>
#include <cstdint>
#include <cstring>
#include <limits>
#include <numeric>
#include <string>

#include "Generator.h"
#include "NumberText.h"
#include "StationState.h"
#include "Statistics.h"

namespace {

// FNV-1a, 64 bits: any changed bit changes the digest.
class Digest {
public:
  void Add(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    for (std::size_t i = 0; i < size; ++i) {
      value_ ^= bytes[i];
      value_ *= 0x100000001B3ULL;
    }
  }
  void Add(const std::string& text) { Add(text.data(), text.size() + 1); }
  std::uint64_t Value() const { return value_; }

private:
  std::uint64_t value_ = 0xCBF29CE484222325ULL;
};

// Adds every field of the record, and its text as the display shows it.
void AddAnalysis(Digest& digest, const SignalAnalysis& a) {
  const auto addFloats = [&digest](const auto& values) {
    for (float v : values) {
      const auto bits = std::bit_cast<std::uint32_t>(v);
      digest.Add(&bits, sizeof bits);
      digest.Add(FloatToStr(v, "."));
    }
  };
  addFloats(a.UniformAutocorr);
  addFloats(a.NormalAutocorr);
  addFloats(a.UniformEdges);
  addFloats(a.NormalEdges);
  addFloats(a.UniformCounts);
  addFloats(a.NormalCounts);
  addFloats(a.CrossSum);
  addFloats(a.CentredCrossSum);
  for (double v : {a.UniformMax, a.UniformMin, a.NormalMax, a.NormalMin, a.UniformBinWidth,
                   a.NormalBinWidth}) {
    const auto bits = std::bit_cast<std::uint64_t>(v);
    digest.Add(&bits, sizeof bits);
    digest.Add(FloatToStr(v, "."));
  }
}

std::string Hex(std::uint64_t value) {
  char text[20];
  std::snprintf(text, sizeof text, "%016llX", static_cast<unsigned long long>(value));
  return text;
}

}  // namespace

TEST(SameBits, GeneratedSignalsAndTheirListing) {
  Digest digest;
  for (std::uint32_t seconds : {0u, 1u, 1234567890u, 1700000000u, 4294967295u}) {
    UniformSamples uniform{};
    NormalSamples normal{};
    GenerateSignals(uniform, normal, seconds);
    for (std::size_t i = 0; i < uniform.size(); ++i) {
      digest.Add(IntToStr(uniform[i]));
      const auto bits = std::bit_cast<std::uint32_t>(normal[i]);
      digest.Add(&bits, sizeof bits);
      digest.Add(FloatToStr(normal[i], "."));
    }
  }
  // Every draw K1 the generator can make.
  for (std::int32_t k1 = 0; k1 <= 32767; ++k1) {
    const auto bits = std::bit_cast<std::uint32_t>(NormalSample(k1, k1 ^ 0x5555));
    digest.Add(&bits, sizeof bits);
  }
  EXPECT_EQ(Hex(digest.Value()), "361ADCAC9CF5792B");
}

TEST(SameBits, AnalysisOfSuccessiveRunsAndItsText) {
  // One station's state through several runs, so the carried-over normal
  // range is in the digest too.
  StationState state;
  Digest digest;
  for (std::uint32_t seconds : {7u, 1234567890u, 4294967295u}) {
    GenerateSignals(state.Uniform, state.Normal, seconds);
    ComputeStatistics(state);
    AddAnalysis(digest, state.Analysis);
  }
  // A ramp, and hostile floats: signed zeros, subnormals, huge values,
  // infinities and NaNs.
  std::iota(state.Uniform.begin(), state.Uniform.end(), -100);
  const std::uint32_t patterns[] = {0x00000000, 0x80000000, 0x00000001, 0x807FFFFF, 0x7F7FFFFF,
                                    0xFF7FFFFF, 0x7F800000, 0xFF800000, 0x7FC00000, 0x3F96B55F};
  for (std::size_t i = 0; i < state.Normal.size(); ++i)
    state.Normal[i] = std::bit_cast<float>(i < std::size(patterns)
                                               ? patterns[i]
                                               : static_cast<std::uint32_t>(0x3E000000u + i * 0x00A3D70Bu));
  ComputeStatistics(state);
  AddAnalysis(digest, state.Analysis);
  EXPECT_EQ(Hex(digest.Value()), "2FC93E67ABB7AB4C");
}
