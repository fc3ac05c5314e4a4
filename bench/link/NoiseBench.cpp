// What a receiver makes of frames that met bit errors on the line: the
// transmitter's frames, frame after frame, through the noise the cable
// draws (siglink's Noise, one direction of one cable), decoded as the
// receive run decodes them. For each damaged frame: did the check of the
// samples mark any, and does the compare's count of differing bits equal
// the bits the cable flipped?
//
//   bench_link --benchmark_filter=NoisyFrames
#include <benchmark/benchmark.h>

#include <bit>
#include <cstdint>
#include <deque>
#include <vector>

#include "Generator.h"
#include "Noise.h"
#include "RunComparison.h"
#include "SampleFrame.h"
#include "SendableSamples.h"

namespace {

// A receive queue holding one frame as it arrived, and nothing after it.
struct ArrivedFrame {
  std::deque<std::uint8_t> Queue;
  int ReceiveByte() {
    if (Queue.empty()) return -1;
    const int value = Queue.front();
    Queue.pop_front();
    return value;
  }
  std::uint32_t Receive(std::uint8_t* bytes, std::uint32_t count) {
    std::uint32_t got = 0;
    for (; got < count && !Queue.empty(); ++got) bytes[got] = static_cast<std::uint8_t>(ReceiveByte());
    return got;
  }
  bool WaitForInput(std::uint32_t) const { return !Queue.empty(); }
  void SendByte(std::uint8_t value) { Queue.push_back(value); }
};

void NoisyFrames(benchmark::State& state) {
  const auto frames = static_cast<int>(state.range(0));
  const double rate = 1e-3;
  for (auto _ : state) {
    Noise line(rate, 1);
    // The receiver's arrays: entries a short frame does not reach keep the
    // last run's samples, as in the station.
    UniformSamples gotUniform{};
    NormalSamples gotNormal{};
    double damaged = 0, listed = 0, marked = 0, inStep = 0, inStepMarked = 0, agree = 0;
    double firstMarkHit = 0, floatMarkHit = 0, falseFloatMark = 0, othersAgree = 0, othersCompared = 0,
           othersFlipped = 0;
    double flippedBits = 0, flippedIntegers = 0, markedIntegers = 0, flippedFloats = 0, markedFloats = 0;
    for (int f = 0; f < frames; ++f) {
      UniformSamples uniform{};
      NormalSamples normal{};
      GenerateSignals(uniform, normal, 1700000000U + static_cast<std::uint32_t>(f));
      ArrivedFrame frame;
      EncodeSampleFrame(frame, uniform, normal);
      std::vector<std::uint8_t> flips;
      int cableBits = 0;
      for (std::uint8_t& byte : frame.Queue) {
        flips.push_back(line.Flips());
        byte ^= flips.back();
        cableBits += std::popcount(flips.back());
      }
      flippedBits += cableBits;
      if (cableBits == 0) continue;
      ++damaged;
      const bool marksIntact = flips[0] == 0 && flips[1 + 2 * SAMPLE_COUNT] == 0;
      bool falseMark = false;
      for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) falseMark = falseMark || frame.Queue[1 + 2 * i] == FRAME_FLOAT_MARK;
      firstMarkHit += flips[0] != 0;
      floatMarkHit += flips[0] == 0 && flips[1 + 2 * SAMPLE_COUNT] != 0;
      falseFloatMark += marksIntact && falseMark;
      if (!DecodeSampleFrame(frame, gotUniform, gotNormal)) continue;  // nothing listed
      ++listed;
      const TUnsendableSamples found = FindUnsendableSamples(gotUniform, gotNormal);
      marked += !found.Empty();
      const int compared = CompareRuns(uniform, normal, gotUniform, gotNormal).Bits();
      if (marksIntact && !falseMark) {
        ++inStep;
        inStepMarked += !found.Empty();
        agree += compared == cableBits;
        // Which flipped samples the check saw.
        for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
          if (gotUniform[i] != uniform[i]) {
            ++flippedIntegers;
            markedIntegers += !IsSendableUniform(gotUniform[i]);
          }
          if (std::bit_cast<std::uint32_t>(gotNormal[i]) != std::bit_cast<std::uint32_t>(normal[i])) {
            ++flippedFloats;
            markedFloats += !IsSendableNormal(gotNormal[i]);
          }
        }
      } else {
        othersAgree += compared == cableBits;
        othersCompared += compared;
        othersFlipped += cableBits;
      }
    }
    state.counters["frames"] = frames;
    state.counters["bits_flipped_per_frame"] = flippedBits / frames;
    state.counters["damaged"] = damaged;
    state.counters["listed"] = listed;  // the first mark arrived: the run lists the frame
    state.counters["marked_share_of_damaged"] = marked / damaged;
    state.counters["in_step"] = inStep;  // both marks intact, no false float mark
    state.counters["in_step_marked_share"] = inStepMarked / inStep;
    state.counters["in_step_compare_equals_cable"] = agree / inStep;
    state.counters["first_mark_hit"] = firstMarkHit;
    state.counters["float_mark_hit"] = floatMarkHit;
    state.counters["false_float_mark"] = falseFloatMark;
    state.counters["others_compare_equals_cable"] = othersAgree;
    state.counters["others_compare_bits_mean"] = othersCompared / (listed - inStep);
    state.counters["others_cable_bits_mean"] = othersFlipped / (listed - inStep);
    state.counters["flipped_integers_marked_share"] = markedIntegers / flippedIntegers;
    state.counters["flipped_floats_marked_share"] = markedFloats / flippedFloats;
  }
}

}  // namespace

BENCHMARK(NoisyFrames)->Arg(2000)->Iterations(1)->Unit(benchmark::kMillisecond);
