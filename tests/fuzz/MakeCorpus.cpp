// MakeCorpus.cpp - writes the fuzzer's seed inputs into a directory.
//
// Each seed is a line set-up (first byte, as FrameFuzz reads it: burst
// length, gap, hang-up) and a line: whole frames made by the encoder, short
// and malformed frames, two frames queued, frames in an adapter's bursts,
// lines pulled mid-frame, and garbage. Usage: frame_corpus DIR
#include <bit>
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "MemoryLine.h"
#include "SampleFrame.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

// A frame as the transmitter sends it: integers 0..199 and floats that
// include the awkward patterns (marks among the float bytes, NaN, infinity).
Bytes Frame(std::uint32_t seed) {
  UniformSamples uniform{};
  NormalSamples normal{};
  std::uint32_t x = seed;
  for (std::size_t i = 0; i < uniform.size(); ++i) {
    x = x * 1664525u + 1013904223u;
    uniform[i] = static_cast<std::int32_t>((x >> 8) % 200);
    normal[i] = std::bit_cast<float>(i % 50 == 0 ? 0xE8E9E8E9u : i % 50 == 1 ? 0x7F800000u
                                     : i % 50 == 2 ? 0x7FC00001u : (x & 0xBFFFFFFFu));
  }
  MemoryLine line;
  EncodeSampleFrame(line, uniform, normal);
  return line.Sent;
}

Bytes Garbage(std::size_t length, std::uint32_t seed) {
  Bytes bytes;
  std::uint32_t x = seed;
  for (std::size_t i = 0; i < length; ++i) {
    x = x * 1103515245u + 12345u;
    bytes.push_back(static_cast<std::uint8_t>(x >> 16));
  }
  if (!bytes.empty() && bytes[0] == FRAME_INT_MARK) bytes[0] = 0;
  return bytes;
}

bool Write(const std::string& dir, const char* name, std::uint8_t burst, const Bytes& line) {
  const std::string path = dir + "/" + name;
  std::FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) return false;
  bool ok = std::fputc(burst, f) != EOF && std::fwrite(line.data(), 1, line.size(), f) == line.size();
  ok = std::fclose(f) == 0 && ok;
  return ok;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: frame_corpus DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  const Bytes frame = Frame(1);
  const Bytes other = Frame(2);
  const std::size_t floatMark = 1 + 2 * SAMPLE_COUNT;

  Bytes two = frame;
  two.insert(two.end(), other.begin(), other.end());

  Bytes shifted = frame;  // one byte of the integer section lost
  shifted.erase(shifted.begin() + 37);

  Bytes longInts(frame.begin(), frame.begin() + floatMark);  // 300 pairs, then the rest
  for (int i = 0; i < 100; ++i) longInts.insert(longInts.end(), {0x2A, 0xE9});
  longInts.insert(longInts.end(), frame.begin() + floatMark, frame.end());

  Bytes shortFrame(frame.begin(), frame.begin() + 21);  // 10 pairs, mark, 3 floats + 2 bytes
  shortFrame.push_back(FRAME_FLOAT_MARK);
  shortFrame.insert(shortFrame.end(), frame.begin() + floatMark + 1, frame.begin() + floatMark + 15);

  Bytes noFloatMark(frame.begin(), frame.begin() + 151);  // the line ends in the integers

  // Large equal floats with a NaN at sample 98: of the cross sums only lag
  // 99 is drawable, so each of their charts has a range of one large value.
  Bytes oneLargeValue = frame;
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    const std::uint32_t bits = i == 98 ? 0x7FC00000u : std::bit_cast<std::uint32_t>(1e30f);
    for (std::size_t k = 0; k < 4; ++k)
      oneLargeValue[floatMark + 1 + 4 * i + k] = static_cast<std::uint8_t>(bits >> (24 - 8 * k));
  }

  // Set-up bits beyond the burst length: the gap before each burst (16 ms,
  // 40 ms, FRAME_GAP_MS) and a hang-up once everything has come.
  constexpr std::uint8_t kGap16 = 0x10, kGap40 = 0x20, kGapFrame = 0x30, kHangUp = 0x40;
  const Bytes cutInAFloat(frame.begin(), frame.begin() + 600);  // 49 floats and 2 bytes
  const Bytes cutInAPair(frame.begin(), frame.begin() + 300);

  const struct {
    const char* name;
    std::uint8_t burst;
    Bytes line;
  } seeds[] = {
      {"frame", 0, frame},
      {"frame-in-bursts", 7, frame},
      {"two-frames", 0, two},
      {"two-frames-in-bursts", 13, two},
      {"shifted-frame", 0, shifted},
      {"long-integer-section", 0, longInts},
      {"short-frame", 3, shortFrame},
      {"no-float-mark", 0, noFloatMark},
      {"mark-only", 0, {FRAME_INT_MARK}},
      {"marks-only", 0, {FRAME_INT_MARK, FRAME_FLOAT_MARK, 1, 2, 3, 4, 5, 6, 7, 8}},
      {"frame-in-adapter-bursts", kGap16 | 15, frame},
      {"frame-with-long-gaps", kGapFrame | 13, frame},
      {"frame-then-hang-up", kHangUp | kGap40 | 5, frame},
      {"pulled-inside-a-float", kHangUp, cutInAFloat},
      {"pulled-inside-a-pair-in-bursts", kHangUp | kGap40 | 7, cutInAPair},
      {"one-large-value-charted", 0, oneLargeValue},
      {"garbage", 0, Garbage(600, 3)},
      {"garbage-then-frame", 5, [&] {
         Bytes g = Garbage(9, 4);
         g.insert(g.end(), frame.begin(), frame.end());
         return g;
       }()},
  };
  for (const auto& s : seeds) {
    if (!Write(dir, s.name, s.burst, s.line)) {
      std::perror(s.name);
      return 1;
    }
  }
  return 0;
}
