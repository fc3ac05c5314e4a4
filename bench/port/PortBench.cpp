// PortBench.cpp - what a frame costs the station beyond the line's own
// 1.25 s: encoding it to a port, decoding a queued one (whole or short), and
// the codec alone; and what a press after a replug adds to its run.
#include <benchmark/benchmark.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstdint>
#include <stdexcept>
#include <vector>

#include "CommPort.h"
#include "SampleFrame.h"
#include "StationSetUp.h"

namespace {

// A pseudo-terminal pair with TCommPort on the slave at the stations' 9600 8N1.
struct PtyLine {
  int Master = -1;
  int Slave = -1;
  TCommPort Port;
  char Name[256] = {};

  PtyLine() {
    char* name = Name;
    if (openpty(&Master, &Slave, name, nullptr, nullptr) != 0) throw std::runtime_error("openpty");
    termios t{};
    tcgetattr(Master, &t);
    cfmakeraw(&t);
    tcsetattr(Master, TCSANOW, &t);
    Port.Open(name);
    Port.ChangeBaudRate(9600);
    Port.ChangeStopBits(0);
  }
  ~PtyLine() {
    Port.Close();
    close(Slave);
    close(Master);
  }
  void Send(const std::vector<std::uint8_t>& bytes) const {
    for (std::size_t done = 0; done < bytes.size();) {
      ssize_t r = write(Master, bytes.data() + done, bytes.size() - done);
      if (r <= 0) throw std::runtime_error("write");
      done += static_cast<std::size_t>(r);
    }
  }
  void Drain(std::size_t count) const {
    std::uint8_t buffer[4096];
    for (std::size_t done = 0; done < count;) {
      ssize_t r = read(Master, buffer, sizeof buffer);
      if (r <= 0) throw std::runtime_error("read");
      done += static_cast<std::size_t>(r);
    }
  }
};

// A queue in memory for the codec alone.
struct MemoryBytes {
  std::vector<std::uint8_t> Bytes;
  std::size_t Head = 0;
  void SendByte(std::uint8_t b) { Bytes.push_back(b); }
  int ReceiveByte() { return Head < Bytes.size() ? Bytes[Head++] : -1; }
  std::uint32_t Receive(std::uint8_t* buffer, std::uint32_t count) {
    std::uint32_t got = 0;
    while (got < count && Head < Bytes.size()) buffer[got++] = Bytes[Head++];
    if (got < count) buffer[got] = 0;
    return got;
  }
  bool WaitForInput(std::uint32_t) const { return Head < Bytes.size(); }
};

void Fill(UniformSamples& uniform, NormalSamples& normal) {
  for (int i = 0; i < SAMPLE_COUNT; ++i) {
    uniform[static_cast<std::size_t>(i)] = (i * 37) % 200;
    normal[static_cast<std::size_t>(i)] = static_cast<float>(i) * 0.0173f - 1.5f;
  }
}

std::vector<std::uint8_t> Encoded(const UniformSamples& uniform, const NormalSamples& normal) {
  MemoryBytes sink;
  EncodeSampleFrame(sink, uniform, normal);
  return sink.Bytes;
}

void BM_WriteSampleFrameToPty(benchmark::State& state) {
  PtyLine line;
  UniformSamples uniform{};
  NormalSamples normal{};
  Fill(uniform, normal);
  for (auto _ : state) {
    WriteSampleFrame(line.Port, uniform, normal);
    line.Drain(FRAME_SIZE);  // the other station takes it, so the line never fills
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(FRAME_SIZE));
}
BENCHMARK(BM_WriteSampleFrameToPty)->Unit(benchmark::kMillisecond);

void BM_ReadQueuedSampleFrameFromPty(benchmark::State& state) {
  PtyLine line;
  UniformSamples uniform{};
  NormalSamples normal{};
  Fill(uniform, normal);
  const auto frame = Encoded(uniform, normal);
  for (auto _ : state) {
    line.Send(frame);
    if (!ReadSampleFrame(line.Port, uniform, normal)) state.SkipWithError("no frame");
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(FRAME_SIZE));
}
BENCHMARK(BM_ReadQueuedSampleFrameFromPty)->Unit(benchmark::kMillisecond);

// A short frame: the sender stopped after 100 of the 200 floats (range 0),
// or 2 bytes into the 101st (range 2). The read ends once the line has been
// silent for the frame's gap (FRAME_GAP_MS), the extra wait a short frame
// costs; a whole frame ends at its 200th float and waits for nothing.
void BM_ReadShortSampleFrameFromPty(benchmark::State& state) {
  PtyLine line;
  UniformSamples uniform{};
  NormalSamples normal{};
  Fill(uniform, normal);
  auto frame = Encoded(uniform, normal);
  frame.resize(402 + 4 * 100 + static_cast<std::size_t>(state.range(0)));
  for (auto _ : state) {
    line.Send(frame);
    if (!ReadSampleFrame(line.Port, uniform, normal)) state.SkipWithError("no frame");
  }
}
BENCHMARK(BM_ReadShortSampleFrameFromPty)->Arg(0)->Arg(2)->Iterations(20)->Unit(benchmark::kMillisecond);

// The press after a replug opens the device again with the station's line
// before its run (letting it go again is part of each iteration).
void BM_ReopenLostDevice(benchmark::State& state) {
  PtyLine line;
  for (auto _ : state) {
    ReleasePort(line.Port);
    OpenStationPort(line.Port, line.Name);
  }
}
BENCHMARK(BM_ReopenLostDevice)->Unit(benchmark::kMicrosecond);

void BM_EncodeSampleFrameInMemory(benchmark::State& state) {
  UniformSamples uniform{};
  NormalSamples normal{};
  Fill(uniform, normal);
  MemoryBytes sink;
  sink.Bytes.reserve(FRAME_SIZE);
  for (auto _ : state) {
    sink.Bytes.clear();
    EncodeSampleFrame(sink, uniform, normal);
    benchmark::DoNotOptimize(sink.Bytes.data());
  }
}
BENCHMARK(BM_EncodeSampleFrameInMemory)->Unit(benchmark::kMicrosecond);

void BM_DecodeSampleFrameInMemory(benchmark::State& state) {
  UniformSamples uniform{};
  NormalSamples normal{};
  Fill(uniform, normal);
  MemoryBytes source;
  source.Bytes = Encoded(uniform, normal);
  for (auto _ : state) {
    source.Head = 0;
    benchmark::DoNotOptimize(DecodeSampleFrame(source, uniform, normal));
    benchmark::ClobberMemory();
  }
}
BENCHMARK(BM_DecodeSampleFrameInMemory)->Unit(benchmark::kMicrosecond);

}  // namespace
