// siglink - a virtual null-modem cable between the two stations, for demos
// and tests; "siglink demo" starts each station with --port on its end. Run
// "siglink --help" for the commands.
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <random>
#include <string>
#include <vector>

#include "Cable.h"
#include "Children.h"
#include "Noise.h"

namespace {

constexpr const char* kUsage = R"(Usage:
  siglink demo [--no-pace] [--bursts MS] [--stall | --cut-after BYTES]
               [--noise RATE [--seed N]] [SIGTX SIGRX]
  siglink cable [--no-pace] [--bursts MS] [--stall | --cut-after BYTES]
                [--noise RATE [--seed N]]
  siglink --help | --version

A virtual null-modem cable for the signal stations sigtx and sigrx: two
pseudo-terminals joined by a relay that behaves like a serial line.

  demo    Opens a cable and starts "SIGTX --port END1" and "SIGRX --port END2"
          on its two ends (default: sigtx and sigrx from PATH). Ends when both
          programs have ended; the exit status is 0 when both ended with 0.
          The stations show windows: without a display (neither DISPLAY nor
          WAYLAND_DISPLAY set) demo says so and ends with status 1 before
          starting them.
  cable   Opens a cable, prints the device paths of its two ends on standard
          output (one a line) and relays in the foreground until interrupted
          (Ctrl-C). A station, started from another terminal, takes an end
          with --port, e.g.  sigrx --port /dev/pts/5

Options:
  --no-pace   Carry bytes as fast as they come. By default each direction is
              paced like a real line at the rate and framing that the sending
              program set on its end (9600 8N1: 10 bits, about 1.04 ms a byte).
              Either way each direction takes at most 4 KiB ahead of the line,
              as a real port's transmit buffer does: then the sender's writes
              block until all but 256 bytes have gone out.
  --bursts MS What the line carries arrives at the far end in bursts, every MS
              milliseconds (1 to 10000), as a USB serial adapter delivers it
              (its latency timer: 16 ms on the most common chips). Combines
              with pacing and with --no-pace.
  --stall     A stuck line, for trying out failures: the cable takes 4 KiB
              (a port's transmit buffer) and carries nothing, so a sender's
              writes block after that and its station reports a failed send
              (sigtx: on its fourth frame on an idle machine, a few frames
              later where both cores are busy).
  --cut-after BYTES
              A pulled cable, for trying out failures: once BYTES bytes have
              reached the second end (sigrx's in demo), both ends go dead as
              if their USB adapters were pulled: the programs' reads and
              writes fail from then on. 0 cuts at once; 600 cuts half-way
              through a 1202-byte frame.
  --noise RATE
              Bit errors on the line, for the lab: each bit of each byte is
              flipped with probability RATE (0 to 1, such as 1e-4 or 0.001),
              both ways. Once a burst (a frame) has been carried and the line
              has been quiet for 100 ms, and on exit, the cable says on
              standard error how many bits it flipped in it, and where.
  --seed N    The noise's seed (0 or more): the same seed and the same bytes
              give the same flips every time. Without it the seed is random,
              and the first line on standard error names it.

Exit status: 2 for a wrong command line; 125 when siglink itself failed;
for demo, 1 without a display, else 0 when both programs ended with 0, or
the status of the one that failed (SIGTX's when both did; 126/127 when it
could not be run).
)";

// The exit code of a failure of siglink itself.
constexpr int kFailed = 125;

// The longest burst time --bursts takes, in milliseconds.
constexpr long long kMostBurst = 10000;

int Usage(const std::string& problem) {
  std::fprintf(stderr, "siglink: %s\nTry \"siglink --help\".\n", problem.c_str());
  return 2;
}

// Reads a whole decimal count (0 or more). Returns whether it was one.
bool ParseCount(const std::string& text, long long& count) {
  if (text.empty() || text.size() > 15) return false;
  count = 0;
  for (char c : text) {
    if (c < '0' || c > '9') return false;
    count = count * 10 + (c - '0');
  }
  return true;
}

// The faults and the noise in words, for the banner: `rate` is --noise as
// given. Returns "" when there are none.
std::string DescribeFaults(const CableFaults& faults, const std::string& rate) {
  std::string text;
  if (faults.Stall) text = ", stalled: it carries nothing";
  if (faults.CutAfter >= 0) text = ", cut after " + std::to_string(faults.CutAfter) + " bytes";
  if (faults.NoiseRate > 0) text += ", noise " + rate + " per bit, seed " + std::to_string(faults.NoiseSeed);
  return text;
}

// "/dev/pts/3 -> /dev/pts/4: 1202 bytes, 3 bits flipped (byte 17 bit 3,
// byte 433 bit 0, byte 1001 bit 7)": the place of each flip from the
// burst's first byte, bit 0 the least significant.
void PrintNoiseReport(const NoiseReport& report) {
  constexpr std::size_t kListed = 10;
  const Lane::Burst& burst = report.Burst;
  std::string places;
  std::size_t listed = 0;
  for (const Lane::Flip& flip : burst.Flips) {
    for (int bit = 0; bit < 8; ++bit) {
      if ((flip.Mask >> bit & 1) == 0) continue;
      if (listed++ < kListed)
        places += (places.empty() ? "" : ", ") + std::string("byte ") + std::to_string(flip.Byte) + " bit " +
                  std::to_string(bit);
    }
  }
  if (listed > kListed) places += ", and " + std::to_string(listed - kListed) + " more";
  std::fprintf(stderr, "siglink: %s -> %s: %lld bytes, %lld bit%s flipped%s%s%s\n", report.From->Path().c_str(),
               report.To->Path().c_str(), burst.Bytes, burst.Bits, burst.Bits == 1 ? "" : "s", places.empty() ? "" : " (",
               places.c_str(), places.empty() ? "" : ")");
}


// The line in words, for the banner: "paced at each end's own rate, in
// bursts every 16 ms".
std::string DescribeCable(bool paced, std::chrono::milliseconds burst, const char* pacedText) {
  std::string text = paced ? pacedText : "not paced";
  if (burst.count() > 0) text += ", in bursts every " + std::to_string(burst.count()) + " ms";
  return text;
}

int CableCommand(bool paced, std::chrono::milliseconds burst, const CableFaults& faults, const std::string& rate) {
  const int signals = SignalFd();
  Cable cable(paced, faults, burst, PrintNoiseReport);
  std::printf("%s\n%s\n", cable.First().Path().c_str(), cable.Second().Path().c_str());
  std::fflush(stdout);
  std::fprintf(stderr, "siglink: cable between %s and %s (%s%s); Ctrl-C ends it\n", cable.First().Path().c_str(),
               cable.Second().Path().c_str(), DescribeCable(paced, burst, "paced at each end's own rate").c_str(),
               DescribeFaults(faults, rate).c_str());
  const int error = cable.Run(signals, [&] {
    const int s = NextSignal(signals);
    return s == 0 || s == SIGCHLD;
  });
  cable.ReportRest();
  if (error != 0) {
    std::fprintf(stderr, "siglink: the cable failed: %s\n", std::strerror(error));
    return kFailed;
  }
  return 0;
}

int DemoCommand(bool paced, std::chrono::milliseconds burst, const CableFaults& faults, const std::string& rate,
                const std::string& sigtx, const std::string& sigrx) {
  // Without a display each station's Qt would abort at start; one sentence
  // here says why instead.
  const char* x11 = std::getenv("DISPLAY");
  const char* wayland = std::getenv("WAYLAND_DISPLAY");
  if ((x11 == nullptr || *x11 == '\0') && (wayland == nullptr || *wayland == '\0')) {
    std::fprintf(stderr, "siglink: demo needs a display for the stations' windows, and neither DISPLAY nor "
                         "WAYLAND_DISPLAY is set\n");
    return 1;
  }
  const int signals = SignalFd();
  Cable cable(paced, faults, burst, PrintNoiseReport);
  const std::string& txEnd = cable.First().Path();
  const std::string& rxEnd = cable.Second().Path();
  std::fprintf(stderr, "siglink: %s --port %s, %s --port %s, cable %s%s\n", sigtx.c_str(), txEnd.c_str(),
               sigrx.c_str(), rxEnd.c_str(), DescribeCable(paced, burst, "paced").c_str(),
               DescribeFaults(faults, rate).c_str());
  Children children;
  children.Start({sigtx, "--port", txEnd});
  children.Start({sigrx, "--port", rxEnd});
  const int error = cable.Run(signals, [&] {
    for (int s = NextSignal(signals); s != 0; s = NextSignal(signals)) {
      if (s != SIGCHLD) children.Signal(SIGTERM);
    }
    return !children.Reap();
  });
  cable.ReportRest();
  if (error != 0) {
    std::fprintf(stderr, "siglink: the cable failed: %s\n", std::strerror(error));
    children.Signal(SIGTERM);
    children.WaitAll();
    return kFailed;
  }
  return children.ExitCode();
}

}  // namespace

int main(int argc, char** argv) {
  std::vector<std::string> args(argv + 1, argv + argc);
  if (args.empty()) return Usage("no command given");
  const std::string command = args[0];
  if (command == "--help" || command == "-h" || command == "help") {
    std::fputs(kUsage, stdout);
    return 0;
  }
  // As the stations answer it.
  if (command == "--version") {
    std::fputs("siglink (sigstations) " SIG_VERSION "\n", stdout);
    return 0;
  }
  if (command != "cable" && command != "demo") return Usage("unknown command " + command);
  try {
    bool paced = true;
    long long burst = 0;
    CableFaults faults;
    std::string rate;  // --noise as given
    long long seed = -1;
    std::vector<std::string> rest;
    for (std::size_t i = 1; i < args.size(); ++i) {
      if (args[i] == "--no-pace") {
        paced = false;
      } else if (args[i] == "--bursts") {
        if (i + 1 >= args.size() || !ParseCount(args[i + 1], burst) || burst < 1 || burst > kMostBurst)
          return Usage("--bursts needs a burst time of 1 to " + std::to_string(kMostBurst) + " milliseconds");
        ++i;
      } else if (args[i] == "--stall") {
        faults.Stall = true;
      } else if (args[i] == "--cut-after") {
        if (i + 1 >= args.size() || !ParseCount(args[i + 1], faults.CutAfter))
          return Usage("--cut-after needs a number of bytes");
        ++i;
      } else if (args[i] == "--noise") {
        if (i + 1 >= args.size() || !ParseNoiseRate(args[i + 1], faults.NoiseRate))
          return Usage("--noise needs a bit error rate from 0 to 1, such as 1e-4");
        rate = args[++i];
      } else if (args[i] == "--seed") {
        if (i + 1 >= args.size() || !ParseCount(args[i + 1], seed))
          return Usage("--seed needs a whole number, 0 or more");
        ++i;
      } else if (args[i] == "--help" || args[i] == "-h") {
        std::fputs(kUsage, stdout);
        return 0;
      } else if (!args[i].empty() && args[i][0] == '-') {
        return Usage("unknown option " + args[i]);
      } else {
        rest.push_back(args[i]);
      }
    }

    if (faults.Stall && faults.CutAfter >= 0) return Usage("a cable either stalls or is cut, not both");
    if (seed >= 0 && rate.empty()) return Usage("--seed goes with --noise");
    // Without --seed a seed of its own, told in the banner, so that a run
    // can be repeated.
    faults.NoiseSeed = seed >= 0 ? static_cast<std::uint64_t>(seed) : std::random_device()();
    if (command == "cable") {
      if (!rest.empty()) return Usage("cable takes no arguments");
      return CableCommand(paced, std::chrono::milliseconds(burst), faults, rate);
    }
    if (rest.size() != 0 && rest.size() != 2) return Usage("demo takes no programs or two: SIGTX SIGRX");
    return DemoCommand(paced, std::chrono::milliseconds(burst), faults, rate, rest.empty() ? "sigtx" : rest[0],
                       rest.empty() ? "sigrx" : rest[1]);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "siglink: %s\n", e.what());
    return kFailed;
  }
}
