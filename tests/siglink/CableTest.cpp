// The virtual cable in-process: what it carries, how fast, what happens at
// an end nobody holds, and the bits a noisy cable flips.
#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <chrono>
#include <fcntl.h>
#include <mutex>
#include <poll.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <thread>
#include <unistd.h>
#include <vector>

#include "CableRun.h"
#include "ErrorOf.h"
#include "Line.h"
#include "PtyLine.h"
#include "TermiosLine.h"
#include "WaitUntil.h"

namespace {

using namespace std::chrono_literals;

// Reads exactly n bytes within the time limit; what arrived.
std::vector<unsigned char> ReadBytes(int fd, std::size_t n, std::chrono::milliseconds limit = 5000ms) {
  std::vector<unsigned char> got;
  const auto end = Clock::now() + limit;
  while (got.size() < n && Clock::now() < end) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    unsigned char buffer[4096];
    const ssize_t r = read(fd, buffer, std::min(sizeof buffer, n - got.size()));
    if (r <= 0) break;
    got.insert(got.end(), buffer, buffer + r);
  }
  return got;
}

void WriteBytes(int fd, const std::vector<unsigned char>& bytes) {
  ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

// Waits until the relay has seen each end held or let go as given: a
// program's open or close is not seen before the relay's next look.
bool RelaySees(const Cable& cable, bool firstHeld, bool secondHeld) {
  return WaitUntil(
      [&] { return cable.Held(cable.First()) == firstHeld && cable.Held(cable.Second()) == secondHeld; },
      5000ms);
}

}  // namespace

TEST(Line, TimeFollowsRateAndFraming) {
  const auto settingsOf = [](const termios& t) {
    CommLineSettings line{};
    DecodeTermios(t, line);
    return line;
  };
  termios t{};
  cfmakeraw(&t);
  cfsetospeed(&t, B9600);
  EXPECT_EQ(DescribeLine(settingsOf(t)), "9600 8N1");
  EXPECT_EQ(CharacterTime(settingsOf(t)), 1'041'666ns);  // 10 bits at 9600 baud

  t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CSIZE)) | CS7 | PARENB | PARODD | CSTOPB;
  cfsetospeed(&t, B19200);
  EXPECT_EQ(DescribeLine(settingsOf(t)), "19200 7O2");
  EXPECT_EQ(BitsPerCharacter(settingsOf(t)), 11);

  t.c_cflag |= CMSPAR;
  EXPECT_EQ(DescribeLine(settingsOf(t)), "19200 7M2");
  cfsetospeed(&t, B0);
  EXPECT_EQ(CharacterTime(settingsOf(t)), 0ns);  // hung up: not paced
}

TEST(Cable, CarriesEveryByteValueBothWaysUnchanged) {
  CableRun run(false);
  const int a = OpenEnd(run.cable.First().Path());
  // The receiver leaves its end as the cable set it up: raw, no echo.
  const int b = open(run.cable.Second().Path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  ASSERT_GE(a, 0);
  ASSERT_GE(b, 0);
  ASSERT_TRUE(RelaySees(run.cable, true, true));
  const auto bytes = AllByteValues(4);  // 0x00, 0x0D, 0x11, 0x13, 0x7F, 0xFF among them
  WriteBytes(a, bytes);
  EXPECT_EQ(ReadBytes(b, bytes.size()), bytes);
  WriteBytes(b, bytes);
  EXPECT_EQ(ReadBytes(a, bytes.size()), bytes);
  // Nothing echoed back to the sender.
  pollfd p{a, POLLIN, 0};
  EXPECT_EQ(poll(&p, 1, 100), 0);
  close(a);
  close(b);
}

TEST(Cable, PacesLikeTheSendersLine) {
  CableRun run(true);
  // A 1202-byte frame at 9600 8N1 needs 1202 × 10 / 9600 s on the line.
  {
    const int a = OpenEnd(run.cable.First().Path());
    const int b = OpenEnd(run.cable.Second().Path());
    ASSERT_TRUE(RelaySees(run.cable, true, true));
    const auto frame = AllByteValues(5);
    const std::vector<unsigned char> bytes(frame.begin(), frame.begin() + 1202);
    const auto start = Clock::now();
    WriteBytes(a, bytes);
    EXPECT_EQ(ReadBytes(b, bytes.size()), bytes);
    const auto took = Clock::now() - start;
    EXPECT_GE(took, 1251ms);
    EXPECT_LT(took, 4s);
    close(a);
    close(b);
  }
  ASSERT_TRUE(RelaySees(run.cable, false, false));
  // The other way, at 2400 8N2 (11 bits) set by that sender: 100 bytes need 458 ms.
  {
    const int a = OpenEnd(run.cable.First().Path());
    const int b = OpenEnd(run.cable.Second().Path(), B2400, CS8 | CSTOPB);
    ASSERT_TRUE(RelaySees(run.cable, true, true));
    const auto bytes = AllByteValues(1);
    const std::vector<unsigned char> part(bytes.begin(), bytes.begin() + 100);
    const auto start = Clock::now();
    WriteBytes(b, part);
    EXPECT_EQ(ReadBytes(a, part.size()), part);
    EXPECT_GE(Clock::now() - start, 455ms);
    close(a);
    close(b);
  }
}

TEST(Cable, ClosedEndsLoseWhatTheyDidNotReadButSendersBytesGoOut) {
  CableRun run(true);
  const auto bytes = AllByteValues(1);
  {
    // Nobody holds the second end: what is sent now is lost, as on a line
    // with no receiver.
    const int a = OpenEnd(run.cable.First().Path());
    ASSERT_TRUE(RelaySees(run.cable, true, false));
    WriteBytes(a, std::vector<unsigned char>(bytes.begin(), bytes.begin() + 50));
    ASSERT_TRUE(WaitUntil([&] { return run.cable.Lost() == 50; }, 5000ms)) << run.cable.Lost();
    const int b = OpenEnd(run.cable.Second().Path());
    ASSERT_TRUE(RelaySees(run.cable, true, true));
    EXPECT_EQ(QueuedAt(b), 0);
    EXPECT_EQ(run.cable.Carried(), 0);
    // The sender closes right after writing: its bytes still go out whole.
    WriteBytes(a, bytes);
    close(a);
    EXPECT_EQ(ReadBytes(b, bytes.size()), bytes);
    close(b);
  }
  ASSERT_TRUE(RelaySees(run.cable, false, false));
  {
    // What the receiver left unread when it closed is gone for the next
    // program on that end, as with a serial port.
    const int a = OpenEnd(run.cable.First().Path());
    int b = OpenEnd(run.cable.Second().Path());
    ASSERT_TRUE(RelaySees(run.cable, true, true));
    WriteBytes(a, std::vector<unsigned char>(bytes.begin(), bytes.begin() + 30));
    EXPECT_TRUE(WaitUntil([&] { return QueuedAt(b) >= 30; }, 5000ms));
    EXPECT_EQ(QueuedAt(b), 30);
    close(b);
    ASSERT_TRUE(RelaySees(run.cable, true, false));
    b = OpenEnd(run.cable.Second().Path());
    EXPECT_EQ(QueuedAt(b), 0);
    close(a);
    close(b);
  }
  ASSERT_TRUE(RelaySees(run.cable, false, false));
  {
    // Both ends may be closed and opened again; the cable stays usable.
    const int a = OpenEnd(run.cable.First().Path());
    const int b = OpenEnd(run.cable.Second().Path());
    ASSERT_TRUE(RelaySees(run.cable, true, true));
    WriteBytes(b, bytes);
    EXPECT_EQ(ReadBytes(a, bytes.size()), bytes);
    close(a);
    close(b);
  }
}

namespace {

// Whether the relay stays asleep: it wakes no more than `most` times while
// `window` passes (a relay that spins wakes thousands of times).
bool StaysAsleep(const Cable& cable, long long most, std::chrono::milliseconds window = 300ms) {
  const long long start = cable.Wakeups();
  return !WaitUntil([&] { return cable.Wakeups() - start > most; }, window);
}

// Sends one byte from `from` to `to` and checks it arrives.
void CarriesAByte(int from, int to, unsigned char value) {
  WriteBytes(from, {value});
  EXPECT_EQ(ReadBytes(to, 1), std::vector<unsigned char>{value});
}

}  // namespace

// An idle relay sleeps in every state a cable waits in between runs, and
// still notices at once when a program opens an end.
TEST(Cable, SleepsWhileIdleAndNoticesEachOpen) {
  CableRun run(true);
  const std::string first = run.cable.First().Path();
  const std::string second = run.cable.Second().Path();
  EXPECT_TRUE(StaysAsleep(run.cable, 2)) << "ends never opened";

  int a = OpenEnd(first);
  int b = OpenEnd(second);
  ASSERT_TRUE(RelaySees(run.cable, true, true));
  EXPECT_TRUE(StaysAsleep(run.cable, 2)) << "both ends held";
  close(a);
  close(b);
  ASSERT_TRUE(RelaySees(run.cable, false, false));
  EXPECT_TRUE(StaysAsleep(run.cable, 2)) << "both opened and closed";

  // One station gone, the other still there; the gone one comes back.
  a = OpenEnd(first);
  b = OpenEnd(second);
  ASSERT_TRUE(RelaySees(run.cable, true, true));
  close(b);
  ASSERT_TRUE(RelaySees(run.cable, true, false));
  EXPECT_TRUE(StaysAsleep(run.cable, 2)) << "one end held, one let go";
  for (int round = 0; round < 3; ++round) {
    b = OpenEnd(second);
    ASSERT_TRUE(RelaySees(run.cable, true, true)) << round;
    CarriesAByte(a, b, static_cast<unsigned char>(0xA0 + round));
    CarriesAByte(b, a, static_cast<unsigned char>(0x50 + round));
    close(b);
    ASSERT_TRUE(RelaySees(run.cable, true, false)) << round;
  }
  close(a);
}

// An end opened twice (a program with two descriptors, or two programs) is
// held until the last of them lets go, however quickly the opens and
// closes come (inotify merges identical events the relay has not read yet,
// so the relay cannot simply count them).
TEST(Cable, AnEndIsHeldUntilItsLastHolderLetsGo) {
  CableRun run(false);
  const int a = OpenEnd(run.cable.First().Path());
  ASSERT_GE(a, 0);
  for (int round = 0; round < 5; ++round) {
    // Two opens at once, one close: still held. The relay sees the close
    // before it takes the byte written after it.
    const int b1 = OpenEnd(run.cable.Second().Path());
    const int b2 = OpenEnd(run.cable.Second().Path());
    ASSERT_TRUE(RelaySees(run.cable, true, true)) << round;
    close(b1);
    CarriesAByte(a, b2, static_cast<unsigned char>(round));
    EXPECT_EQ(run.cable.Lost(), round) << round;
    // One more open, then two closes at once: let go, and a byte sent now
    // is lost.
    const int b3 = OpenEnd(run.cable.Second().Path());
    close(b2);
    close(b3);
    ASSERT_TRUE(RelaySees(run.cable, true, false)) << round;
    WriteBytes(a, {0x42});
    EXPECT_TRUE(WaitUntil([&] { return run.cable.Lost() == round + 1; }, 5000ms)) << round;
  }
  close(a);
}

// A program that closes its end and opens it again at once (a station's
// port closed and reopened) gets every byte sent after the open, though
// inotify may merge its open with the relay's own look just before it.
TEST(Cable, AnEndOpenedAgainAtOnceMissesNothing) {
  CableRun run(false);
  const int a = OpenEnd(run.cable.First().Path());
  int b = OpenEnd(run.cable.Second().Path());
  ASSERT_TRUE(RelaySees(run.cable, true, true));
  for (int round = 0; round < 500; ++round) {
    close(b);
    b = OpenEnd(run.cable.Second().Path());
    WriteBytes(a, {static_cast<unsigned char>(round)});
    ASSERT_EQ(ReadBytes(b, 1, 2000ms), std::vector<unsigned char>{static_cast<unsigned char>(round)}) << round;
  }
  close(a);
  close(b);
}

// A program's close is reported before the kernel has let go of its
// descriptor, and the relay, woken by it, may run first: each of many quick
// opens and closes is seen all the same.
TEST(Cable, EveryOpenAndCloseIsSeen) {
  CableRun run(false);
  const End& end = run.cable.Second();
  // Waits without sleeping, so that the closing thread keeps its core.
  const auto sees = [&](bool held) {
    const auto limit = Clock::now() + 5s;
    while (run.cable.Held(end) != held) {
      if (Clock::now() > limit) return false;
      std::this_thread::yield();
    }
    return true;
  };
  for (int round = 0; round < 20000; ++round) {
    const int b = open(end.Path().c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
    ASSERT_TRUE(sees(true)) << round;
    close(b);
    ASSERT_TRUE(sees(false)) << round;
  }
}

// A program that hangs up its terminal (vhangup, as getty does) hangs it up
// for every holder, the relay's own descriptor too: the relay takes a fresh
// hold, so it stays asleep and can still stop the next program's output
// (here on a stalled cable, after its 4 KiB).
TEST(Cable, AHungUpEndIsTakenUpAgain) {
  CableRun run(false, {true, -1});
  int a = OpenEnd(run.cable.First().Path());
  ASSERT_TRUE(RelaySees(run.cable, true, false));
  if (ioctl(a, TIOCVHANGUP) != 0) GTEST_SKIP() << "hanging up a terminal needs CAP_SYS_TTY_CONFIG";
  close(a);
  ASSERT_TRUE(RelaySees(run.cable, false, false));
  EXPECT_TRUE(StaysAsleep(run.cable, 2));
  a = OpenEnd(run.cable.First().Path());
  ASSERT_TRUE(RelaySees(run.cable, true, false));
  WriteBytes(a, std::vector<unsigned char>(4096, 0x55));
  EXPECT_TRUE(WaitUntil([&] { return !Writable(a); }, 5000ms));
  close(a);
}

// A line takes a real port's transmit buffer ahead of itself, 4 KiB; then
// the sender must wait until all but 256 bytes have gone out, as a UART
// driver lets its writers on. (38400 baud: 4 KiB take 1.07 s on the line.)
TEST(Cable, ASlowLinePushesBackOnTheSenderAsAPortDoes) {
  CableRun run(true);
  const int a = OpenEnd(run.cable.First().Path(), B38400);
  const int b = OpenEnd(run.cable.Second().Path(), B38400);
  ASSERT_TRUE(RelaySees(run.cable, true, true));
  ASSERT_EQ(fcntl(a, F_SETFL, fcntl(a, F_GETFL) | O_NONBLOCK), 0);
  // Once stopped, the sender is let on only when fewer than 256 bytes wait.
  const auto letOn = [&] {
    ASSERT_TRUE(WaitUntil([&] { return Writable(a); }, 5000ms));
    EXPECT_LT(run.cable.Taken() - run.cable.Carried(), 256);
  };
  // 5 KiB, as fast as the device takes them: the pseudo-terminal alone
  // would take them all at once, the relay stops the sender at 4 KiB.
  const auto bytes = AllByteValues(20);
  std::size_t sent = 0;
  bool stopped = false;
  while (sent < bytes.size()) {
    const ssize_t put = write(a, bytes.data() + sent, bytes.size() - sent);
    if (put > 0) {
      sent += static_cast<std::size_t>(put);
      continue;
    }
    ASSERT_EQ(errno, EAGAIN);
    stopped = true;
    letOn();
  }
  if (!stopped) {
    ASSERT_TRUE(WaitUntil([&] { return !Writable(a); }, 5000ms));
    letOn();
  }
  EXPECT_EQ(ReadBytes(b, bytes.size()), bytes);
  EXPECT_EQ(run.cable.Taken(), static_cast<long long>(bytes.size()));
  close(a);
  close(b);
}

// A bursty cable (a USB adapter's latency timer): paced bytes arrive in
// bursts with about the burst time between them, whole and in order.
TEST(Cable, DeliversInBurstsOfTheBurstTime) {
  CableRun run(true, {}, 100ms);
  const int a = OpenEnd(run.cable.First().Path());
  const int b = OpenEnd(run.cable.Second().Path());
  ASSERT_TRUE(RelaySees(run.cable, true, true));
  // 300 bytes need 0.31 s on the line: three or four bursts.
  const auto all = AllByteValues(2);
  const std::vector<unsigned char> bytes(all.begin(), all.begin() + 300);
  WriteBytes(a, bytes);
  std::vector<unsigned char> got;
  std::vector<Clock::time_point> bursts;  // when each burst began to arrive
  Clock::time_point last{};
  const auto end = Clock::now() + 5s;
  while (got.size() < bytes.size() && Clock::now() < end) {
    pollfd p{b, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0) continue;
    unsigned char buffer[512];
    const ssize_t r = read(b, buffer, sizeof buffer);
    if (r <= 0) break;
    const auto now = Clock::now();
    // Reads closer than 20 ms belong to one burst.
    if (bursts.empty() || now - last > 20ms) bursts.push_back(now);
    last = now;
    got.insert(got.end(), buffer, buffer + r);
  }
  EXPECT_EQ(got, bytes);
  EXPECT_GE(bursts.size(), 3u);
  EXPECT_LE(bursts.size(), 5u);
  for (std::size_t i = 1; i < bursts.size(); ++i) {
    const auto gap = std::chrono::duration_cast<std::chrono::milliseconds>(bursts[i] - bursts[i - 1]);
    EXPECT_GE(gap, 60ms) << "burst " << i;
    EXPECT_LE(gap, 1000ms) << "burst " << i;
  }
  close(a);
  close(b);
}

// A noisy cable flips bits of what it carries, the same ones for the same
// seed, and tells each burst's flips once the line has been quiet: exactly
// the bits that arrived changed.
TEST(Cable, FlipsBitsAsSeededAndTellsEachBurst) {
  const auto all = AllByteValues(5);
  const std::vector<unsigned char> frame(all.begin(), all.begin() + 1202);
  const auto carry = [&frame](std::uint64_t seed, std::vector<NoiseReport>& reports) {
    std::mutex lock;
    CableFaults noisy;
    noisy.NoiseRate = 0.005;
    noisy.NoiseSeed = seed;
    CableRun run(false, noisy, {}, [&](const NoiseReport& report) {
      const std::lock_guard<std::mutex> hold(lock);
      reports.push_back(report);
    });
    const int a = OpenEnd(run.cable.First().Path());
    const int b = OpenEnd(run.cable.Second().Path());
    EXPECT_TRUE(RelaySees(run.cable, true, true));
    WriteBytes(a, frame);
    std::vector<unsigned char> got = ReadBytes(b, frame.size());
    EXPECT_TRUE(WaitUntil([&] { return std::lock_guard<std::mutex>(lock), !reports.empty(); }, 2000ms));
    close(a);
    close(b);
    return got;
  };
  std::vector<NoiseReport> reports, again, other;
  const std::vector<unsigned char> got = carry(11, reports);
  ASSERT_EQ(got.size(), frame.size());
  ASSERT_EQ(reports.size(), 1U);
  const Lane::Burst& burst = reports[0].Burst;
  EXPECT_EQ(burst.Bytes, 1202);
  long long changed = 0;
  std::vector<long long> places;
  for (std::size_t i = 0; i < frame.size(); ++i) {
    const auto flipped = static_cast<std::uint8_t>(frame[i] ^ got[i]);
    changed += std::popcount(flipped);
    if (flipped != 0) places.push_back(static_cast<long long>(i));
  }
  EXPECT_EQ(burst.Bits, changed);
  EXPECT_GT(changed, 20);  // about 48 at this rate
  EXPECT_LT(changed, 100);
  ASSERT_EQ(burst.Flips.size(), places.size());
  for (std::size_t i = 0; i < places.size(); ++i) EXPECT_EQ(burst.Flips[i].Byte, places[i]);
  EXPECT_EQ(carry(11, again), got);
  EXPECT_NE(carry(12, other), got);
}
