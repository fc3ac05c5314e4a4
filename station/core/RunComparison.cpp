#include "RunComparison.h"

#include <algorithm>
#include <array>
#include <bit>
#include <charconv>

#include "NumberText.h"
#include "SampleFrame.h"

namespace {

struct FrameBytes {
  std::array<std::uint8_t, FRAME_SIZE> Bytes{};
  std::size_t Size = 0;
  void SendByte(std::uint8_t value) { Bytes[Size++] = value; }
};

FrameBytes Encoded(const UniformSamples& uniform, const NormalSamples& normal) {
  FrameBytes frame;
  EncodeSampleFrame(frame, uniform, normal);
  return frame;
}

int DifferingBits(const FrameBytes& a, const FrameBytes& b, std::size_t offset, std::size_t count) {
  int bits = 0;
  for (std::size_t i = offset; i < offset + count; ++i)
    bits += std::popcount(static_cast<unsigned>(a.Bytes[i] ^ b.Bytes[i]));
  return bits;
}

// A ratio with three significant digits and the lists' separator: 0.000833.
std::string ShortRatio(double value, std::string_view decimalSeparator) {
  std::array<char, 32> buffer{};
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value, std::chars_format::general, 3);
  std::string text(buffer.data(), result.ptr);
  const std::size_t point = text.find('.');
  if (point != std::string::npos) text.replace(point, 1, decimalSeparator);
  return text;
}

}  // namespace

TRunComparison CompareRuns(const UniformSamples& sentUniform, const NormalSamples& sentNormal,
                           const UniformSamples& receivedUniform, const NormalSamples& receivedNormal) {
  const FrameBytes sent = Encoded(sentUniform, sentNormal);
  const FrameBytes received = Encoded(receivedUniform, receivedNormal);
  TRunComparison comparison;
  for (int i = 0; i < SAMPLE_COUNT; ++i) {
    const auto at = static_cast<std::size_t>(i);
    const int uniformBits = DifferingBits(sent, received, 1 + 2 * at, 2);
    const int normalBits = DifferingBits(sent, received, 2 + 2 * SAMPLE_COUNT + 4 * at, 4);
    comparison.UniformBits += uniformBits;
    comparison.NormalBits += normalBits;
    if (uniformBits == 0) ++comparison.UniformEqual;
    else comparison.Differences.push_back({i, false, uniformBits});
    if (normalBits == 0) ++comparison.NormalEqual;
    else comparison.Differences.push_back({i, true, normalBits});
  }
  return comparison;
}

std::string ComparisonText(const TRunComparison& comparison, const UniformSamples& sentUniform,
                           const NormalSamples& sentNormal, const UniformSamples& receivedUniform,
                           const NormalSamples& receivedNormal, std::string_view sentName,
                           std::string_view receivedName, std::string_view decimalSeparator, int shown) {
  const auto count = [](int n) { return std::to_string(n); };
  std::string text = "Sent: " + std::string(sentName) + "\nReceived: " + std::string(receivedName) + "\n\n";
  text += "РР: " + count(comparison.UniformEqual) + " of " + count(SAMPLE_COUNT) + " samples equal, " +
          count(comparison.UniformBits) + " of " + count(FRAME_UNIFORM_BITS) + " bits differ\n";
  text += "НР: " + count(comparison.NormalEqual) + " of " + count(SAMPLE_COUNT) + " samples equal, " +
          count(comparison.NormalBits) + " of " + count(FRAME_NORMAL_BITS) + " bits differ\n";
  text += "Frame: " + count(comparison.Bits()) + " of " + count(FRAME_SAMPLE_BITS) +
          " sample bits differ, bit error rate " +
          ShortRatio(static_cast<double>(comparison.Bits()) / FRAME_SAMPLE_BITS, decimalSeparator) + "\n";
  if (comparison.Differences.empty()) return text + "\nThe two runs are the same, bit for bit.";

  const auto value = [&](const TSampleDifference& d, const UniformSamples& u, const NormalSamples& n) {
    const auto at = static_cast<std::size_t>(d.Index);
    return d.Normal ? FloatToStr(static_cast<long double>(n[at]), decimalSeparator) : IntToStr(u[at]);
  };
  text += "\nFirst differences (signal, sample: sent → received):\n";
  const std::size_t listed = std::min(comparison.Differences.size(), static_cast<std::size_t>(std::max(shown, 0)));
  for (std::size_t i = 0; i < listed; ++i) {
    const TSampleDifference& d = comparison.Differences[i];
    text += std::string(d.Normal ? "НР " : "РР ") + count(d.Index) + ": " +
            value(d, sentUniform, sentNormal) + " → " + value(d, receivedUniform, receivedNormal) + " (" +
            count(d.Bits) + (d.Bits == 1 ? " bit)\n" : " bits)\n");
  }
  if (listed < comparison.Differences.size())
    text += "and " + count(static_cast<int>(comparison.Differences.size() - listed)) + " more\n";
  text.pop_back();
  return text;
}
