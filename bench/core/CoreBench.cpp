// Figures of the computation: one run's statistics, one run's signals, the
// text of one run's 200 normal samples, and the check of a run's samples
// against those a transmitter sends.
#include <benchmark/benchmark.h>

#include "Generator.h"
#include "NumberText.h"
#include "SendableSamples.h"
#include "StationState.h"
#include "Statistics.h"

namespace {

struct RunSignals {
  UniformSamples uniform{};
  NormalSamples normal{};
  RunSignals() { GenerateSignals(uniform, normal, 1700000000U); }
};

void BM_ComputeStatistics(benchmark::State& state) {
  const RunSignals signals;
  StationState station;
  station.Uniform = signals.uniform;
  station.Normal = signals.normal;
  for (auto _ : state) {
    ComputeStatistics(station);
    benchmark::DoNotOptimize(station.Analysis);
  }
}
BENCHMARK(BM_ComputeStatistics);

void BM_GenerateSignals(benchmark::State& state) {
  UniformSamples uniform{};
  NormalSamples normal{};
  std::uint32_t seconds = 1700000000U;
  for (auto _ : state) {
    GenerateSignals(uniform, normal, seconds++);
    benchmark::DoNotOptimize(uniform);
    benchmark::DoNotOptimize(normal);
  }
}
BENCHMARK(BM_GenerateSignals);

// The listing of one run: 200 normal samples as text.
void BM_FloatToStr200(benchmark::State& state) {
  const RunSignals signals;
  for (auto _ : state) {
    for (const float y : signals.normal) {
      std::string text = FloatToStr(static_cast<long double>(y), ".");
      benchmark::DoNotOptimize(text);
    }
  }
}
BENCHMARK(BM_FloatToStr200);

// The check of one received run (item of every receive run): all 400
// samples against the set, none outside it.
void BM_FindUnsendableSamples(benchmark::State& state) {
  const RunSignals signals;
  for (auto _ : state) {
    TUnsendableSamples found = FindUnsendableSamples(signals.uniform, signals.normal);
    benchmark::DoNotOptimize(found);
  }
}
BENCHMARK(BM_FindUnsendableSamples);

} // namespace
