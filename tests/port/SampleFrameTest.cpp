// SampleFrameTest.cpp - the frame: its bytes, the decoder's edge cases over
// a line in memory (gaps, hang-ups), and whole frames over a pseudo-terminal,
// also while they are still arriving at line pace or in an adapter's bursts,
// and cut off half-way.
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <chrono>
#include <optional>
#include <thread>
#include <vector>

#include "CommPort.h"
#include "MemoryLine.h"
#ifndef _WIN32
#include "PtyLine.h"
#endif
#include "SampleFrame.h"

namespace {

using Bytes = std::vector<std::uint8_t>;
using Clock = std::chrono::steady_clock;

std::uint32_t BitsOf(float f) { return std::bit_cast<std::uint32_t>(f); }

// Samples as the generator makes them (0..199), and floats covering the
// awkward patterns: signed zero, infinities, subnormals, NaN payloads and
// bytes equal to the marks.
void FillSamples(UniformSamples& uniform, NormalSamples& normal, std::uint32_t seed) {
  const std::uint32_t specials[] = {0x00000000, 0x80000000, 0x7F800000, 0xFF800000, 0x00000001,
                                    0x807FFFFF, 0x7FC12345, 0xFFFFFFFF, 0xE8E9E8E9, 0x3F96B55F};
  std::uint32_t x = seed;
  for (int i = 0; i < SAMPLE_COUNT; ++i) {
    x = x * 1664525u + 1013904223u;
    uniform[static_cast<std::size_t>(i)] = static_cast<std::int32_t>((x >> 8) % 200);
    normal[static_cast<std::size_t>(i)] =
        i < 10 ? std::bit_cast<float>(specials[i]) : std::bit_cast<float>(x);
  }
}

Bytes Encode(const UniformSamples& uniform, const NormalSamples& normal) {
  MemoryLine line;
  EncodeSampleFrame(line, uniform, normal);
  return line.Sent;
}

void ExpectSameBits(const NormalSamples& a, const NormalSamples& b) {
  for (std::size_t i = 0; i < a.size(); ++i) EXPECT_EQ(BitsOf(a[i]), BitsOf(b[i])) << "float " << i;
}

Bytes Pairs(std::initializer_list<int> values) {
  Bytes bytes;
  for (int v : values) {
    bytes.push_back(static_cast<std::uint8_t>(v & 0xFF));
    bytes.push_back(static_cast<std::uint8_t>(v >> 8));
  }
  return bytes;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes all;
  for (const Bytes& p : parts) all.insert(all.end(), p.begin(), p.end());
  return all;
}

// Sends `frame` as `burst`-byte pieces after its first byte, each `gapMs`
// after the line fell quiet.
void QueueInBursts(MemoryLine& line, const Bytes& frame, std::size_t burst, std::uint32_t gapMs) {
  line.Queue.assign(frame.begin(), frame.begin() + 1);
  for (std::size_t at = 1; at < frame.size(); at += burst)
    line.Later.emplace_back(frame.begin() + static_cast<std::ptrdiff_t>(at),
                            frame.begin() + static_cast<std::ptrdiff_t>(std::min(at + burst, frame.size())));
  line.GapMs = gapMs;
}

// Arrays filled with a value no frame of these tests carries, to see which
// entries a decoding touched.
struct Arrays {
  UniformSamples uniform;
  NormalSamples normal;
  Arrays() {
    uniform.fill(-7);
    normal.fill(-7.0f);
  }
};

}  // namespace

TEST(FrameBytes, LayoutAndTheWorkedExample) {
  UniformSamples uniform{};
  NormalSamples normal{};
  FillSamples(uniform, normal, 1);
  uniform[0] = 150;
  normal[0] = 1.1774100f;
  normal[1] = 4.5600829f;
  normal[2] = 0.0f;
  uniform[1] = -2;        // only bits 0..15 travel
  uniform[2] = 0x12345;
  const Bytes frame = Encode(uniform, normal);

  ASSERT_EQ(frame.size(), FRAME_SIZE);
  EXPECT_EQ(FRAME_SIZE, 1202u);
  EXPECT_EQ(Bytes(frame.begin(), frame.begin() + 7), (Bytes{0xE8, 0x96, 0x00, 0xFE, 0xFF, 0x45, 0x23}));
  EXPECT_EQ(Bytes(frame.begin() + 401, frame.begin() + 414),
            (Bytes{0xE9, 0x3F, 0x96, 0xB5, 0x5F, 0x40, 0x91, 0xEC, 0x33, 0x00, 0x00, 0x00, 0x00}));
  // Generator values 0..199 have a high byte of 0.
  for (std::size_t offset = 8; offset <= 400; offset += 2) EXPECT_EQ(frame[offset], 0) << offset;
}

TEST(FrameDecoder, RoundTripIsBitForBitAndEmptiesTheQueue) {
  UniformSamples uniform{};
  NormalSamples normal{};
  FillSamples(uniform, normal, 2);
  uniform[3] = 65535;  // 16-bit values come back unsigned
  uniform[4] = 0xE8 + 0xE9 * 256;  // a 233 in a high-byte position is no mark
  MemoryLine line;
  const Bytes frame = Encode(uniform, normal);
  line.Queue.assign(frame.begin(), frame.end());
  Arrays got;
  EXPECT_TRUE(DecodeSampleFrame(line, got.uniform, got.normal));
  EXPECT_EQ(got.uniform, uniform);
  ExpectSameBits(got.normal, normal);
  EXPECT_TRUE(line.Queue.empty());
}

TEST(FrameDecoder, NoMarkAtTheHeadTakesOneByteAndStoresNothing) {
  const Arrays fresh;
  for (int first : {0, 1, 0xE9, 0xE7, 0xFF}) {
    MemoryLine line;
    line.Queue = {static_cast<std::uint8_t>(first), 0xE8, 0x01, 0x00, 0xE9};
    Arrays got;
    EXPECT_FALSE(DecodeSampleFrame(line, got.uniform, got.normal)) << first;
    EXPECT_EQ(line.Queue.size(), 4u) << first;  // no search for a mark
    EXPECT_EQ(got.uniform, fresh.uniform);
  }
  MemoryLine empty;
  Arrays got;
  EXPECT_FALSE(DecodeSampleFrame(empty, got.uniform, got.normal));
  EXPECT_EQ(got.uniform, fresh.uniform);
}

TEST(FrameDecoder, ShortSectionsChangeOnlyTheEntriesTheyCarry) {
  const Arrays fresh;
  {  // the mark alone
    MemoryLine line;
    line.Queue = {0xE8};
    Arrays got;
    EXPECT_TRUE(DecodeSampleFrame(line, got.uniform, got.normal));
    EXPECT_EQ(got.uniform, fresh.uniform);
    ExpectSameBits(got.normal, fresh.normal);
  }
  {  // no integers, two floats
    MemoryLine line;
    const Bytes bytes{0xE8, 0xE9, 0x3F, 0x96, 0xB5, 0x5F, 0x00, 0x00, 0x00, 0x00};
    line.Queue.assign(bytes.begin(), bytes.end());
    Arrays got;
    EXPECT_TRUE(DecodeSampleFrame(line, got.uniform, got.normal));
    EXPECT_EQ(got.uniform, fresh.uniform);
    EXPECT_EQ(got.normal[0], 1.1774100f);
    EXPECT_EQ(BitsOf(got.normal[1]), 0u);
    EXPECT_EQ(got.normal[2], -7.0f);
  }
  {  // three integers, the mark, one float
    MemoryLine line;
    const Bytes bytes = Concat({{0xE8}, Pairs({5, 0xE900, 199}), {0xE9, 0x40, 0x91, 0xEC, 0x33}});
    line.Queue.assign(bytes.begin(), bytes.end());
    Arrays got;
    EXPECT_TRUE(DecodeSampleFrame(line, got.uniform, got.normal));
    EXPECT_EQ(got.uniform[0], 5);
    EXPECT_EQ(got.uniform[1], 0xE900);
    EXPECT_EQ(got.uniform[2], 199);
    EXPECT_EQ(got.uniform[3], -7);
    EXPECT_EQ(got.normal[0], 4.5600829f);
    EXPECT_EQ(got.normal[1], -7.0f);
  }
  {  // integers run out before any mark: still a frame, no float stored
    MemoryLine line;
    const Bytes bytes = Concat({{0xE8}, Pairs({1, 2})});
    line.Queue.assign(bytes.begin(), bytes.end());
    Arrays got;
    EXPECT_TRUE(DecodeSampleFrame(line, got.uniform, got.normal));
    EXPECT_EQ(got.uniform[1], 2);
    ExpectSameBits(got.normal, fresh.normal);
  }
}

TEST(FrameDecoder, IncompleteLastSamplesAreDropped) {
  {  // a low byte whose high byte never comes
    MemoryLine line;
    const Bytes bytes = Concat({{0xE8}, Pairs({10, 11}), {0x0C}});
    line.Queue.assign(bytes.begin(), bytes.end());
    Arrays got;
    EXPECT_TRUE(DecodeSampleFrame(line, got.uniform, got.normal));
    EXPECT_EQ(got.uniform[1], 11);
    EXPECT_EQ(got.uniform[2], -7);
  }
  for (std::size_t tail = 1; tail <= 3; ++tail) {  // 1..3 bytes of a last float
    MemoryLine line;
    Bytes bytes{0xE8, 0xE9, 0x3F, 0x96, 0xB5, 0x5F};
    bytes.insert(bytes.end(), tail, 0x40);
    line.Queue.assign(bytes.begin(), bytes.end());
    Arrays got;
    EXPECT_TRUE(DecodeSampleFrame(line, got.uniform, got.normal));
    EXPECT_EQ(got.normal[0], 1.1774100f) << tail;
    EXPECT_EQ(got.normal[1], -7.0f) << tail;
  }
}

TEST(FrameDecoder, NeverStoresMoreThanTheArraysHold) {
  // 250 integer pairs before the mark: the first 200 are kept, the rest read
  // and dropped, so the float section still starts after the mark.
  Bytes bytes{0xE8};
  for (int i = 0; i < 250; ++i) {
    const Bytes pair = Pairs({256 + i % 200});  // no low byte of 233
    bytes.insert(bytes.end(), pair.begin(), pair.end());
  }
  bytes.push_back(0xE9);
  for (int i = 0; i < 201; ++i) {
    const auto bits = BitsOf(static_cast<float>(i));
    for (int shift : {24, 16, 8, 0}) bytes.push_back(static_cast<std::uint8_t>(bits >> shift));
  }
  MemoryLine line;
  line.Queue.assign(bytes.begin(), bytes.end());
  Arrays got;
  EXPECT_TRUE(DecodeSampleFrame(line, got.uniform, got.normal));
  EXPECT_EQ(got.uniform[0], 256);
  EXPECT_EQ(got.uniform[199], 455);
  EXPECT_EQ(got.normal[0], 0.0f);
  EXPECT_EQ(got.normal[199], 199.0f);
  EXPECT_EQ(line.Queue.size(), 4u);  // the 201st float stays queued
}

TEST(FrameDecoder, TwoQueuedFramesAreDecodedByTwoCalls) {
  UniformSamples u1{}, u2{};
  NormalSamples n1{}, n2{};
  FillSamples(u1, n1, 3);
  FillSamples(u2, n2, 4);
  MemoryLine line;
  const Bytes bytes = Concat({Encode(u1, n1), Encode(u2, n2)});
  line.Queue.assign(bytes.begin(), bytes.end());
  Arrays got;
  EXPECT_TRUE(DecodeSampleFrame(line, got.uniform, got.normal));
  EXPECT_EQ(got.uniform, u1);
  ExpectSameBits(got.normal, n1);
  EXPECT_EQ(line.Queue.size(), FRAME_SIZE);
  EXPECT_TRUE(DecodeSampleFrame(line, got.uniform, got.normal));
  EXPECT_EQ(got.uniform, u2);
  ExpectSameBits(got.normal, n2);
  EXPECT_TRUE(line.Queue.empty());
}

TEST(FrameDecoder, FollowsAFrameAcrossGapsUpToTheFrameGap) {
  UniformSamples uniform{};
  NormalSamples normal{};
  FillSamples(uniform, normal, 5);
  const Bytes frame = Encode(uniform, normal);
  // Burst lengths that put the gaps everywhere: inside pairs, right before
  // and after the mark, inside float groups; 16 bytes every 20 ms is a USB
  // adapter's latency timer, longer than the port's inter-byte time-out.
  for (std::uint32_t gap : {1u, 20u, FRAME_GAP_MS}) {
    for (std::size_t burst : {1u, 2u, 3u, 7u, 16u, 401u}) {
      MemoryLine line;
      QueueInBursts(line, frame, burst, gap);
      Arrays got;
      EXPECT_TRUE(DecodeSampleFrame(line, got.uniform, got.normal)) << burst << " every " << gap;
      EXPECT_EQ(got.uniform, uniform) << burst << " every " << gap;
      ExpectSameBits(got.normal, normal);
      EXPECT_TRUE(line.Queue.empty() && line.Later.empty()) << burst << " every " << gap;
    }
  }
}

TEST(FrameDecoder, ALongerGapEndsTheFrame) {
  UniformSamples uniform{};
  NormalSamples normal{};
  FillSamples(uniform, normal, 8);
  const Bytes frame = Encode(uniform, normal);
  // The line falls silent two bytes into the third float; the rest comes
  // too late to belong to this frame and stays for the next press.
  const std::size_t cut = 402 + 4 * 2 + 2;
  MemoryLine line;
  line.Queue.assign(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(cut));
  line.Later.emplace_back(frame.begin() + static_cast<std::ptrdiff_t>(cut), frame.end());
  line.GapMs = FRAME_GAP_MS + 1;
  Arrays got;
  EXPECT_TRUE(DecodeSampleFrame(line, got.uniform, got.normal));
  EXPECT_EQ(got.uniform, uniform);
  EXPECT_EQ(BitsOf(got.normal[1]), BitsOf(normal[1]));
  EXPECT_EQ(got.normal[2], -7.0f);
  EXPECT_TRUE(line.Queue.empty());
  EXPECT_EQ(line.Later.size(), 1u);
}

// A line that hangs up in the middle of a frame fails the decoding, wherever
// the cut falls: the partial frame is not passed off as a short one. The
// samples that came whole before the cut are stored.
TEST(FrameDecoder, AHangUpInsideAFrameIsAFailedRead) {
  UniformSamples uniform{};
  NormalSamples normal{};
  FillSamples(uniform, normal, 9);
  const Bytes frame = Encode(uniform, normal);
  const struct {
    std::size_t cut;  // bytes that arrive before the hang-up
    std::size_t pairs, floats;  // samples complete by then
  } cases[] = {
      {1, 0, 0},                      // right after the frame mark
      {1 + 2 * 5, 5, 0},              // between two pairs
      {1 + 2 * 5 + 1, 5, 0},          // inside a pair
      {402, 200, 0},                  // right after the float mark
      {402 + 4 * 49, 200, 49},        // between two floats
      {402 + 4 * 49 + 2, 200, 49},    // inside a float, as a cable cut after 600 bytes
  };
  for (const auto& c : cases) {
    for (std::size_t burst : {0u, 7u}) {  // 0: all queued when the read starts
      const Bytes part(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(c.cut));
      MemoryLine line;
      if (burst == 0) {
        line.Queue.assign(part.begin(), part.end());
      } else {
        QueueInBursts(line, part, burst, 20);
      }
      line.HangsUpAtTheEnd = true;
      Arrays got;
      EXPECT_THROW(DecodeSampleFrame(line, got.uniform, got.normal), MemoryLine::HungUp)
          << "cut after " << c.cut << ", bursts of " << burst;
      for (std::size_t i = 0; i < c.pairs; ++i) EXPECT_EQ(got.uniform[i], uniform[i]) << c.cut;
      if (c.pairs < SAMPLE_COUNT) {
        EXPECT_EQ(got.uniform[c.pairs], -7) << c.cut;
      }
      for (std::size_t i = 0; i < c.floats; ++i) EXPECT_EQ(BitsOf(got.normal[i]), BitsOf(normal[i])) << c.cut;
      EXPECT_EQ(got.normal[c.floats], -7.0f) << c.cut;
    }
  }
}

// Over a pseudo-terminal: POSIX only (tests/windows sends frames between
// two COM ports).
#ifndef _WIN32

namespace {

class PtyFrame : public ::testing::Test {
protected:
  void SetUp() override {
    port.Open(pty.Path());
    port.ChangeBaudRate(9600);
    port.ChangeStopBits(0);
    FillSamples(uniform, normal, 6);
  }
  PtyLine pty;
  TCommPort port;
  UniformSamples uniform{};
  NormalSamples normal{};
};

}  // namespace

TEST_F(PtyFrame, WriteSendsExactlyTheFrame) {
  WriteSampleFrame(port, uniform, normal);
  EXPECT_EQ(pty.Collect(FRAME_SIZE + 1, 100), Encode(uniform, normal));
}

TEST_F(PtyFrame, QueuedFramesAreReadOneByOne) {
  UniformSamples u2{};
  NormalSamples n2{};
  FillSamples(u2, n2, 7);
  pty.Send(Concat({Encode(uniform, normal), Encode(u2, n2)}));
  Arrays got;
  EXPECT_TRUE(ReadSampleFrame(port, got.uniform, got.normal));
  EXPECT_EQ(got.uniform, uniform);
  ExpectSameBits(got.normal, normal);
  // The second frame stayed queued whole (the count may lag bytes still
  // moving inside the kernel, so the decoding itself is the proof).
  EXPECT_TRUE(ReadSampleFrame(port, got.uniform, got.normal));
  EXPECT_EQ(got.uniform, u2);
  ExpectSameBits(got.normal, n2);
  EXPECT_EQ(port.InputCount(), 0u);
}

TEST_F(PtyFrame, NothingQueuedIsNoFrameAfterTheReadTimeout) {
  Arrays got;
  const Arrays fresh;
  const auto start = Clock::now();
  EXPECT_FALSE(ReadSampleFrame(port, got.uniform, got.normal));
  const double seconds = std::chrono::duration<double>(Clock::now() - start).count();
  EXPECT_GT(seconds, 0.2);
  EXPECT_LT(seconds, 1.0);
  EXPECT_EQ(got.uniform, fresh.uniform);
}

namespace {

// A feeder thread that paused this long may have outwaited the frame's gap
// (a loaded machine can stall it): such an attempt proves nothing either way.
constexpr auto kSpoiltByAStall = std::chrono::milliseconds(FRAME_GAP_MS - 20);

// Plays the other station: writes bytes on the schedule of a 9600-baud line
// (about 1.04 ms per byte), a few at a time, then optionally hangs up.
// Returns the longest pause between two writes.
Clock::duration FeedAtLinePace(PtyLine& line, const Bytes& bytes, bool hangUp) {
  const auto perByte = std::chrono::microseconds(1042);
  const auto start = Clock::now();
  auto lastWrite = start;
  Clock::duration longest{};
  std::size_t sent = 0;
  while (sent < bytes.size()) {
    const auto now = Clock::now();
    const auto due = std::min<std::size_t>(bytes.size(), static_cast<std::size_t>((now - start) / perByte) + 1);
    if (due > sent) {
      line.Send(Bytes(bytes.begin() + static_cast<std::ptrdiff_t>(sent),
                      bytes.begin() + static_cast<std::ptrdiff_t>(due)));
      sent = due;
      longest = std::max(longest, now - lastWrite);
      lastWrite = now;
    }
    // The pause is the line's pace, not a wait for anything: what has
    // fallen due meanwhile goes out in the next write.
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  if (hangUp) line.HangUp();
  return longest;
}

// A receiving port on `line`, set up as the station does.
void OpenAsReceiver(TCommPort& port, const PtyLine& line) {
  port.Open(line.Path());
  port.ChangeBaudRate(9600);
  port.ChangeStopBits(0);
}

}  // namespace

// Each attempt below runs on a line of its own, so nothing of an attempt
// spoilt by a stall is left in the queue of the next.

TEST_F(PtyFrame, AReadStartedWhileTheFrameArrivesFollowsItToTheEnd) {
  for (int attempt = 0; attempt < 3; ++attempt) {
    PtyLine line;
    TCommPort receiver;
    OpenAsReceiver(receiver, line);
    Clock::duration stall{};
    std::thread other([&] { stall = FeedAtLinePace(line, Encode(uniform, normal), false); });
    Arrays got;
    const bool frame = ReadSampleFrame(receiver, got.uniform, got.normal);
    other.join();
    const bool whole = frame && got.uniform == uniform && receiver.InputCount() == 0;
    if (stall < kSpoiltByAStall) {
      EXPECT_TRUE(whole);
      EXPECT_EQ(got.uniform, uniform);
      ExpectSameBits(got.normal, normal);
      return;
    }
    if (whole) return;
  }
  GTEST_SKIP() << "the machine was too busy to keep line pace";
}

// A USB adapter delivers what the line carried every 16 ms or so, in one
// piece: gaps longer than the port's inter-byte time-out inside the frame,
// also inside pairs and floats. A read started 0.3 s in takes all of it.
TEST_F(PtyFrame, AFrameInAnAdaptersBurstsIsReadWhole) {
  const std::size_t burst = 16;
  for (int attempt = 0; attempt < 3; ++attempt) {
    PtyLine line;
    TCommPort receiver;
    OpenAsReceiver(receiver, line);
    Clock::duration stall{};
    std::thread other(
        [&] { stall = line.SendInBursts(Encode(uniform, normal), burst, std::chrono::milliseconds(20)); });
    ASSERT_TRUE(line.WaitQueued(static_cast<int>(15 * burst)));
    Arrays got;
    const bool frame = ReadSampleFrame(receiver, got.uniform, got.normal);
    other.join();
    if (stall < kSpoiltByAStall) {
      EXPECT_TRUE(frame);
      EXPECT_EQ(got.uniform, uniform);
      ExpectSameBits(got.normal, normal);
      EXPECT_EQ(receiver.InputCount(), 0u);
      return;
    }
  }
  GTEST_SKIP() << "the machine was too busy to keep the adapter's pace";
}

// The far end hangs up while the frame arrives, in the integer section (after
// a low byte) and inside a float (600 bytes, as a cable cut half-way): the
// read fails at once instead of passing the partial frame off as a short one.
TEST_F(PtyFrame, TheOtherEndHangingUpMidFrameIsAFailedRead) {
  const Bytes frame = Encode(uniform, normal);
  for (std::size_t cut : {300u, 600u}) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      PtyLine line;
      TCommPort receiver;
      OpenAsReceiver(receiver, line);
      Clock::duration stall{};
      std::thread other([&] {
        stall = FeedAtLinePace(line, Bytes(frame.begin(), frame.begin() + static_cast<std::ptrdiff_t>(cut)), true);
      });
      Arrays got;
      const auto start = Clock::now();
      std::optional<ECommError> error;
      try {
        ReadSampleFrame(receiver, got.uniform, got.normal);
      } catch (const ECommError& e) {
        error = e;
      }
      other.join();
      EXPECT_LT(std::chrono::duration<double>(Clock::now() - start).count(), 2.0) << cut;
      if (stall < kSpoiltByAStall || error) {
        ASSERT_TRUE(error.has_value()) << "cut after " << cut;
        EXPECT_EQ(error->Code, COMM_READ) << "cut after " << cut;
        // Every later read on the dead line fails as well.
        EXPECT_THROW(ReadSampleFrame(receiver, got.uniform, got.normal), ECommError);
        break;
      }
      if (attempt == 2) GTEST_SKIP() << "the machine was too busy to keep line pace";
    }
  }
}

#endif  // _WIN32
