// FrameFuzz.cpp - the frame decoder on arbitrary bytes arriving in bursts.
//
// The first input byte sets up the line: bits 0..3 the burst length (0:
// everything queued at once), bits 4..5 the gap before each burst (1, 16,
// 40 or FRAME_GAP_MS ms: all gaps a frame must survive, most of them longer
// than the port's inter-byte time-out), bit 6 a hang-up once everything has
// come. The rest is the line. The arrays are prefilled with a pattern, so
// that what a decoding stored shows. The target checks what every decoding
// promises:
//   - the answer is true exactly when the line starts with FRAME_INT_MARK;
//     a false answer takes one byte and stores nothing;
//   - each array is stored from index 0 on, at most SAMPLE_COUNT entries,
//     every complete sample of its section up to that limit, each equal to
//     the bytes at its place in the frame (nothing made up, nothing shifted);
//     the entries after them keep the pattern;
//   - the queue is consumed from its head, and a float section that filled
//     its array leaves whatever follows it queued, untouched;
//   - a line that hangs up before the frame is complete fails the decoding
//     (with the complete samples stored), never passes for a short frame;
//   - the decoding ends after a number of port calls bounded by the input:
//     a wait and a read per byte at most, and one more of each at the end.
// A decoded frame then goes where the receive run takes it: the statistics,
// and the axes of the six charts, whose ends must be finite and hold every
// point the chart draws (a hang anywhere is libFuzzer's -timeout).
// Out-of-bounds access is caught by AddressSanitizer (each array is its own
// heap block) and by the library's checked subscripts (_GLIBCXX_ASSERTIONS).
#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <vector>

#include "ChartAxis.h"
#include "MemoryLine.h"
#include "SampleFrame.h"
#include "StationState.h"
#include "Statistics.h"

namespace {

[[noreturn]] void Fail(const char* what) {
  std::fprintf(stderr, "frame_fuzz: %s\n", what);
  std::abort();
}

// A line in memory that counts the decoder's calls, so that a decoding that
// keeps asking a drained line is reported instead of spinning.
class CountedLine {
public:
  CountedLine(const std::uint8_t* line, std::size_t length, std::uint8_t setUp)
      : limit_(2 * length + 2) {
    const std::size_t burst = setUp % 16;
    if (burst == 0) {
      line_.Queue.assign(line, line + length);
    } else {
      for (std::size_t at = 0; at < length; at += burst)
        line_.Later.emplace_back(line + at, line + std::min(at + burst, length));
    }
    const std::uint32_t gaps[] = {1, 16, 40, FRAME_GAP_MS};
    line_.GapMs = gaps[(setUp >> 4) % 4];
    line_.HangsUpAtTheEnd = (setUp & 0x40) != 0;
  }

  int ReceiveByte() { return Count(), line_.ReceiveByte(); }
  std::uint32_t Receive(std::uint8_t* buffer, std::uint32_t count) {
    return Count(), line_.Receive(buffer, count);
  }
  bool WaitForInput(std::uint32_t milliseconds) { return Count(), line_.WaitForInput(milliseconds); }

  // The bytes not taken, in order.
  std::vector<std::uint8_t> Left() const {
    std::vector<std::uint8_t> left(line_.Queue.begin(), line_.Queue.end());
    for (const auto& b : line_.Later) left.insert(left.end(), b.begin(), b.end());
    return left;
  }

private:
  void Count() {
    if (++calls_ > limit_) Fail("the decoder does not stop asking a drained line");
  }

  MemoryLine line_;
  std::size_t calls_ = 0;
  std::size_t limit_;
};

// Prefill patterns: no decoded integer is negative; the float pattern is a
// NaN that only an input carrying it at that very place could store.
constexpr std::int32_t UNIFORM_FILL = -1;
constexpr std::uint32_t NORMAL_FILL = 0x7FC0DEADu;

std::uint32_t FloatAt(const std::uint8_t* p) {
  return std::uint32_t{p[0]} << 24 | std::uint32_t{p[1]} << 16 | std::uint32_t{p[2]} << 8 | p[3];
}

struct Point {
  double X = 0;
  double Y = 0;
};

// The six charts of a receive run: the two histograms' bars and the four
// lag sums at x = 0..99, each with the axes the chart gives them.
void ChartTheRun(const UniformSamples& uniform, const NormalSamples& normal) {
  static StationState state;
  state.Uniform = uniform;
  state.Normal = normal;
  state.Analysis = {};  // each input a first run: no range carried over
  ComputeStatistics(state);
  const SignalAnalysis& a = state.Analysis;
  const auto bars = [](const std::array<float, BIN_COUNT>& counts) {
    std::vector<Point> points;
    for (std::size_t b = 0; b < BIN_COUNT; ++b) points.push_back({static_cast<double>(b), static_cast<double>(counts[b])});
    return points;
  };
  const auto lags = [](const std::array<float, SAMPLE_COUNT>& sums) {
    std::vector<Point> points;
    for (std::size_t k = 0; k < LAG_COUNT; ++k) points.push_back({static_cast<double>(k), static_cast<double>(sums[k])});
    return points;
  };
  const auto holds = [](const AxisScale& axis, const AxisRange& drawn) {
    return std::isfinite(axis.Low) && std::isfinite(axis.High) && axis.Low < axis.High &&
           std::isfinite(axis.Interval) && axis.Interval > 0 &&
           (drawn.Empty() || (axis.Low <= drawn.Low && drawn.High <= axis.High));
  };
  for (const auto* counts : {&a.UniformCounts, &a.NormalCounts}) {
    ChartRanges ranges;
    ranges.TakeBars(bars(*counts));
    if (!holds(NiceAxis(ranges.Y, 5), ranges.Y)) Fail("a histogram's value axis is unsound");
  }
  for (const auto* sums : {&a.UniformAutocorr, &a.NormalAutocorr, &a.CentredCrossSum, &a.CrossSum}) {
    ChartRanges ranges;
    ranges.TakeLine(lags(*sums));
    if (!holds(NiceAxis(ranges.Y, 5), ranges.Y)) Fail("a lag chart's value axis is unsound");
    if (!holds(ExactAxis(ranges.X, 5), ranges.X)) Fail("a lag chart's x axis is unsound");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  const bool hangsUp = (data[0] & 0x40) != 0;
  const std::uint8_t* line = data + 1;
  const std::size_t length = size - 1;

  auto uniform = std::make_unique<UniformSamples>();
  auto normal = std::make_unique<NormalSamples>();
  uniform->fill(UNIFORM_FILL);
  normal->fill(std::bit_cast<float>(NORMAL_FILL));
  CountedLine source(line, length, data[0]);
  bool frame = false;
  bool failed = false;
  try {
    frame = DecodeSampleFrame(source, *uniform, *normal);
  } catch (const MemoryLine::HungUp&) {
    failed = true;
  }
  const std::vector<std::uint8_t> left = source.Left();

  const bool marked = length > 0 && line[0] == FRAME_INT_MARK;

  // What is left is the tail of the input, in order.
  if (left.size() > length || !std::equal(left.begin(), left.end(), line + (length - left.size())))
    Fail("the queue was not consumed from its head");
  const std::size_t taken = length - left.size();

  // The frame as laid out: pairs from offset 1 up to FRAME_FLOAT_MARK in a
  // low-byte position (or the end of the line), then 4-byte floats.
  std::size_t pairs = 0;
  std::size_t at = 1;
  bool closed = false;
  for (; marked && at < length; at += 2) {
    if (line[at] == FRAME_FLOAT_MARK) {
      closed = true;
      break;
    }
    if (at + 1 >= length) break;  // a low byte without its high byte
    ++pairs;
  }
  const std::size_t floats = closed ? (length - at - 1) / 4 : 0;
  const std::size_t nu = std::min<std::size_t>(pairs, SAMPLE_COUNT);
  const std::size_t nf = std::min<std::size_t>(floats, SAMPLE_COUNT);

  // A hang-up fails the decoding exactly when the decoder asks for more than
  // the line had: always, but for a line without a frame mark (one byte
  // taken) or a float section that filled its array.
  const bool complete = (length > 0 && !marked) || nf == SAMPLE_COUNT;
  if (failed != (hangsUp && !complete))
    Fail(failed ? "a decoding failed on a healthy line or a complete frame"
                : "a hang-up inside a frame passed for its end");
  if (!failed && frame != marked) Fail("the answer does not match the first byte");

  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    const std::int32_t want = i < nu ? line[1 + 2 * i] + 256 * line[2 + 2 * i] : UNIFORM_FILL;
    if ((*uniform)[i] != want) Fail(i < nu ? "an integer was lost or made up" : "an integer past the section was stored");
  }
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
    const std::uint32_t want = i < nf ? FloatAt(line + at + 1 + 4 * i) : NORMAL_FILL;
    if (std::bit_cast<std::uint32_t>((*normal)[i]) != want)
      Fail(i < nf ? "a float was lost or made up" : "a float past the section was stored");
  }

  if (!marked) {
    if (taken != (length > 0 ? 1 : 0)) Fail("a line without a frame lost more than its first byte");
  } else if (nf == SAMPLE_COUNT) {
    // A full float section leaves what follows it (a second frame) queued.
    if (taken != at + 1 + 4 * SAMPLE_COUNT) Fail("a full frame took bytes beyond its float section");
  } else if (taken != length) {
    Fail("a short frame left bytes queued");
  }
  if (frame && !failed) ChartTheRun(*uniform, *normal);
  return 0;
}
