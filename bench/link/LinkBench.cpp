// Figures of the virtual cable, measured the way a station sees it: bytes
// written to one end, counted in the other end's receive queue; and how
// soon an idle relay notices a program opening an end.
#include <benchmark/benchmark.h>

#include <chrono>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "CableRun.h"

namespace {

using Clock = std::chrono::steady_clock;

constexpr int kFrameBytes = 1202;
// 1202 bytes of 10 bits at 9600 baud.
constexpr double kLineLimit = kFrameBytes * 10.0 / 9600.0;

// A relaying cable with both ends held open, as two stations hold them.
class HeldCable {
public:
  explicit HeldCable(bool paced) : run_(paced) {
    a = Open(run_.cable.First().Path());
    b = Open(run_.cable.Second().Path());
    std::this_thread::sleep_for(std::chrono::milliseconds(50));  // the relay sees both ends held
  }
  ~HeldCable() {
    close(a);
    close(b);
  }
  HeldCable(const HeldCable&) = delete;
  HeldCable& operator=(const HeldCable&) = delete;

private:
  static int Open(const std::string& path) {
    const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) throw std::runtime_error("open " + path);
    return fd;
  }
  CableRun run_;  // outlives the ends held below

public:
  int a = -1;
  int b = -1;
};

// Takes count bytes from fd as they arrive (a receiver emptying its queue);
// returns when the last of them has been queued.
void AwaitQueued(int fd, int count) {
  std::vector<unsigned char> sink(static_cast<std::size_t>(count));
  for (int got = 0; got < count;) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 1000) <= 0) throw std::runtime_error("nothing arrived");
    const ssize_t r = read(fd, sink.data(), sink.size() - static_cast<std::size_t>(got));
    if (r <= 0) throw std::runtime_error("read");
    got += static_cast<int>(r);
  }
}

// One frame written byte by byte, as the transmit run does, until the whole
// frame is queued at the receiving end. Counter "vs_line": time ÷ 1.2521 s.
void FrameOnPacedLine(benchmark::State& state) {
  HeldCable run(true);
  double total = 0;
  for (auto _ : state) {
    const auto start = Clock::now();
    for (int i = 0; i < kFrameBytes; ++i) {
      const auto byte = static_cast<unsigned char>(i);
      if (write(run.a, &byte, 1) != 1) state.SkipWithError("write");
    }
    AwaitQueued(run.b, kFrameBytes);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    total += seconds;
  }
  state.counters["vs_line"] = total / static_cast<double>(state.iterations()) / kLineLimit;
}
BENCHMARK(FrameOnPacedLine)->UseManualTime()->Iterations(5)->Unit(benchmark::kMillisecond);

// One byte through the unpaced relay: what the relay itself adds.
void ByteUnpaced(benchmark::State& state) {
  HeldCable run(false);
  for (auto _ : state) {
    const unsigned char byte = 0xE8;
    if (write(run.a, &byte, 1) != 1) state.SkipWithError("write");
    AwaitQueued(run.b, 1);
  }
}
BENCHMARK(ByteUnpaced)->Unit(benchmark::kMicrosecond);

// One byte on an idle paced line, less its own 1.0417 ms on the line:
// counter "added_us" is the latency the relay adds to a paced byte.
void BytePacedAdded(benchmark::State& state) {
  HeldCable run(true);
  double added = 0;
  for (auto _ : state) {
    std::this_thread::sleep_for(std::chrono::milliseconds(3));  // the line is idle again
    const auto start = Clock::now();
    const unsigned char byte = 0x55;
    if (write(run.a, &byte, 1) != 1) state.SkipWithError("write");
    AwaitQueued(run.b, 1);
    const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
    state.SetIterationTime(seconds);
    added += seconds - 10.0 / 9600.0;
  }
  state.counters["added_us"] = added / static_cast<double>(state.iterations()) * 1e6;
}
BENCHMARK(BytePacedAdded)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

// A program opening an end of an idle cable until the relay holds the end
// for held (bytes sent from now on reach it): the relay sleeps until the
// open itself wakes it. Then the close, the same way.
void OpenNoticed(benchmark::State& state) {
  CableRun run(true);
  const End& end = run.cable.Second();
  const auto waitHeld = [&](bool held) {
    while (run.cable.Held(end) != held) std::this_thread::yield();
  };
  for (auto _ : state) {
    const auto start = Clock::now();
    const int fd = open(end.Path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    if (fd < 0) state.SkipWithError("open");
    waitHeld(true);
    state.SetIterationTime(std::chrono::duration<double>(Clock::now() - start).count());
    close(fd);
    waitHeld(false);
  }
}
BENCHMARK(OpenNoticed)->UseManualTime()->Iterations(200)->Unit(benchmark::kMicrosecond);

}  // namespace

BENCHMARK_MAIN();
