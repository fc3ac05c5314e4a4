// The transmit and the receive run as a person sees them: press -> return,
// in a shown window on the offscreen platform.
//
//   QT_QPA_PLATFORM=offscreen window_bench
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstring>
#include <vector>

#include <benchmark/benchmark.h>

#include <QApplication>
#include <QPlainTextEdit>

#include "AnalysisDisplay.h"
#include "Generator.h"
#include "ListMarks.h"
#include "PtyLine.h"
#include "ReceiveRun.h"
#include "SampleFrame.h"
#include "StationState.h"
#include "TransmitRun.h"
#include "Unit1.h"

namespace {

TStationProfile On(TStationProfile profile, const std::string& port) {
  profile.PortName = port;
  return profile;
}

// One frame of ordinary-looking samples, as the receiver's line delivers it;
// frames of different `variant` give different ranges on every axis.
std::vector<std::uint8_t> SomeFrame(int variant) {
  std::vector<std::uint8_t> frame{FRAME_INT_MARK};
  for (int i = 0; i < SAMPLE_COUNT; ++i) {
    const int value = (i * 37) % (SAMPLE_COUNT - 60 * variant);
    frame.push_back(static_cast<std::uint8_t>(value & 0xFF));
    frame.push_back(static_cast<std::uint8_t>(value >> 8));
  }
  frame.push_back(FRAME_FLOAT_MARK);
  for (int i = 0; i < SAMPLE_COUNT; ++i) {
    const float value = 4.0f + static_cast<float>((i * 13) % 50) / (100.0f + 900.0f * static_cast<float>(variant));
    std::uint32_t bits = 0;
    std::memcpy(&bits, &value, sizeof bits);
    for (int shift = 24; shift >= 0; shift -= 8) frame.push_back(static_cast<std::uint8_t>(bits >> shift));
  }
  return frame;
}

double Milliseconds(std::chrono::steady_clock::duration d) {
  return std::chrono::duration<double, std::milli>(d).count();
}

// The stations outlive the repetitions, so the median is that of 50
// consecutive runs in one window, as at the lab bench.
struct Transmitter {
  PtyLine Line;
  PtyRelay Drain{Line};  // the far end takes everything: time on the line not counted
  TForm1 Form{On(TransmitterProfile(), Line.Path())};
  Transmitter() { Form.show(); }
};

struct Receiver {
  PtyLine Line;
  TForm1 Form{On(ReceiverProfile(), Line.Path())};
  Receiver() { Form.show(); }
};

// Press -> return of a transmit run.
void TransmitRunTime(benchmark::State& state) {
  static Transmitter& station = *new Transmitter;  // outlives the application: never freed
  for (auto _ : state) station.Form.Button1Click(nullptr);
}

// Press -> return of a receive run on a whole frame waiting in the queue.
// Two frames take turns, so every run moves the axes (the dearer case).
void ReceiveRunTime(benchmark::State& state) {
  static Receiver& station = *new Receiver;
  static const std::vector<std::uint8_t> frames[2] = {SomeFrame(0), SomeFrame(1)};
  static int turn = 0;
  for (auto _ : state) {
    state.PauseTiming();
    const std::vector<std::uint8_t>& frame = frames[turn++ % 2];
    station.Line.Send(frame);
    station.Line.WaitQueued(static_cast<int>(frame.size()));
    state.ResumeTiming();
    station.Form.Button1Click(nullptr);
  }
}

// 1000 transmit runs in one window: the memos grow to 200 000 lines each.
// Reports the median of runs 1-50 and of runs 951-1000 and their ratio.
void ThousandRuns(benchmark::State& state) {
  for (auto _ : state) {
    PtyLine line;
    PtyRelay drain(line);
    TForm1 form(On(TransmitterProfile(), line.Path()));
    form.show();
    std::vector<double> times;
    for (int run = 0; run < 1000; ++run) {
      const auto start = std::chrono::steady_clock::now();
      form.Button1Click(nullptr);
      times.push_back(Milliseconds(std::chrono::steady_clock::now() - start));
      if (run % 50 == 0) QCoreApplication::processEvents();  // let the window repaint now and then
    }
    // Medians of the first and the last 50 runs: single runs vary by a
    // millisecond with what else the machine does.
    auto median = [](std::vector<double> v) {
      std::nth_element(v.begin(), v.begin() + 25, v.end());
      return v[25];
    };
    const double first = median({times.begin(), times.begin() + 50});
    const double last = median({times.end() - 50, times.end()});
    state.counters["run1_ms"] = first;
    state.counters["run1000_ms"] = last;
    state.counters["ratio"] = last / first;
  }
}

// The parts of a run on their own: the listing, and the analysis with its
// charts (two sample sets take turns, so the axes move every time).
void ListSamplesTime(benchmark::State& state) {
  static Transmitter& station = *new Transmitter;
  for (auto _ : state) ListSamples(station.Form, station.Form.State());
}

void ShowAnalysisTime(benchmark::State& state) {
  static Transmitter& station = *new Transmitter;
  static int turn = 0;
  StationState& samples = station.Form.State();
  for (auto _ : state) {
    state.PauseTiming();
    const int scale = 1 + turn++ % 2;
    for (std::size_t i = 0; i < SAMPLE_COUNT; ++i) {
      samples.Uniform[i] = static_cast<std::int32_t>((i * 37) % SAMPLE_COUNT) / scale;
      samples.Normal[i] = static_cast<float>(i % 17) / static_cast<float>(scale);
    }
    state.ResumeTiming();
    ShowAnalysis(station.Form, samples);
  }
}

// What the check of a run adds to it: the samples checked and their lines
// marked in lists of 400 lines, with 0 samples outside the set (every
// intact frame), 10 (a frame with about ten bit errors, as at 1e-3 per bit) or
// all 400.
void UnsendableMarksTime(benchmark::State& state) {
  static Transmitter& station = *new Transmitter;
  UniformSamples uniform{};
  NormalSamples normal{};
  GenerateSignals(uniform, normal, 1700000000U);
  for (std::size_t i = 0; i < static_cast<std::size_t>(state.range(0)) / 2; ++i) {
    uniform[i] = 200;
    normal[i] = -1.0f;
  }
  while (station.Form.Memo1->blockCount() < 2 * SAMPLE_COUNT) ListSamples(station.Form, station.Form.State());
  for (auto _ : state) station.Form.Marks().Listed(uniform, normal);
}

}  // namespace

BENCHMARK(UnsendableMarksTime)->Arg(0)->Arg(10)->Arg(400)->Iterations(1)->Repetitions(50)->ReportAggregatesOnly(true)->Unit(benchmark::kMicrosecond);
BENCHMARK(ListSamplesTime)->Iterations(1)->Repetitions(50)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(ShowAnalysisTime)->Iterations(1)->Repetitions(50)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(TransmitRunTime)->Iterations(1)->Repetitions(50)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(ReceiveRunTime)->Iterations(1)->Repetitions(50)->ReportAggregatesOnly(true)->Unit(benchmark::kMillisecond);
BENCHMARK(ThousandRuns)->Iterations(1)->Unit(benchmark::kSecond);

int main(int argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  QApplication application(argc, argv);
  benchmark::Initialize(&argc, argv);
  benchmark::RunSpecifiedBenchmarks();
  benchmark::Shutdown();
  return 0;
}
