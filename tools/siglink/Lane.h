// Lane.h - one direction of the virtual cable: the bytes taken from one
// end's master, each due at the other end when a real line would have
// finished sending it.
//
// Interface summary
//   Lane lane;  Lane lane(burst);         ... delivering in bursts
//   lane.Take(from, characterTime, now)   read what the program wrote
//   lane.Deliver(to, now)                 write every byte now due
//   lane.Deliver(to, now, limit)          ... but no more than limit bytes
//   lane.Drop(now)                        lose every byte now due
//   lane.NextDue() / lane.Pending()       when to wake, how much is queued
//   lane.Full() / lane.LowWater()         stop the writer / let it go on
//   lane.SetNoise(noise)                  flip bits of the bytes it takes
//   lane.EndedBurst(now) / TakeBurst()    the flips of a burst, once carried / now
//   lane.BurstEnd()                       when the burst ends if nothing more comes
//
// Pacing is deadline-based on the monotonic clock: the line is busy until
// LineFree; a byte that comes while the line is idle starts at once, one
// that comes while it is busy starts when it frees. A late wake-up therefore
// never shifts the bytes after it (no drift), and with a character time of
// zero a byte is due the moment it is taken.
//
// The lane holds at most 4 KiB, a real port's transmit buffer: once full,
// the relay stops the writer, and lets it go on only when fewer than 256
// bytes wait, as a UART driver wakes its writers. So a stalled or slow line
// pushes back on the sender as a real one does.
//
// A bursty lane (a USB adapter's latency timer) holds each byte back until
// the next tick of a clock that ticks every `burst` from the lane's making:
// what the line carried in between arrives at once.
//
// A noisy lane flips bits of each byte as it takes it (Noise.h), so the far
// end receives what a line with bit errors delivers, and keeps account of
// its flips burst by burst: a burst is what the sender wrote until the lane
// has carried it all and no byte has come for kQuiet, as a frame ends for a
// receiver that waits FRAME_GAP_MS.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>
#include <optional>
#include <vector>

#include "Noise.h"

class Lane {
public:
  using Clock = std::chrono::steady_clock;

  // burst: deliver only on ticks that far apart; zero delivers each byte
  // when it is due.
  explicit Lane(Clock::duration burst = {}) : burst_(burst), origin_(Clock::now()) {}

  // Reads every byte waiting at the master from (non-blocking) and queues
  // each with its due time. Returns the number of bytes read; -1 when the
  // master reports an error other than "nothing waiting" or "slave closed".
  long Take(int from, std::chrono::nanoseconds characterTime, Clock::time_point now);

  // Writes the bytes due by now, at most `limit` of them, to the master to
  // (non-blocking), in order. Returns false when the master would not take
  // them all (retry later).
  bool Deliver(int to, Clock::time_point now,
               std::size_t limit = std::numeric_limits<std::size_t>::max());

  // Discards the bytes due by now, as a line does when nobody listens.
  // Returns the number discarded.
  std::size_t Drop(Clock::time_point now);

  // Returns the due time of the first queued byte (Clock::time_point::max()
  // when the lane is empty).
  Clock::time_point NextDue() const;

  // Returns the number of queued bytes.
  std::size_t Pending() const { return queue_.size(); }

  // Returns true when the lane holds as much as it will take; the relay
  // then stops the writer.
  bool Full() const { return queue_.size() >= kCapacity; }

  // Returns true when few enough bytes wait for a stopped writer to go on.
  bool LowWater() const { return queue_.size() < kLowWater; }

  static constexpr std::size_t kCapacity = 4096;
  static constexpr std::size_t kLowWater = 256;
  static constexpr std::chrono::milliseconds kQuiet{100};

  // One flipped byte of a burst: its place from 0 and the bits flipped.
  struct Flip {
    long long Byte = 0;
    std::uint8_t Mask = 0;
  };
  struct Burst {
    long long Bytes = 0;
    long long Bits = 0;
    std::vector<Flip> Flips;
  };

  // From now on the bytes taken pass through `noise` (a clean line before).
  void SetNoise(Noise noise) { noise_ = noise; }

  // The burst, when one has been taken, carried whole, and followed by
  // kQuiet without a byte; the next byte starts a new one.
  std::optional<Burst> EndedBurst(Clock::time_point now);
  // The burst as far as it has come, ended or not (the cable is closing).
  std::optional<Burst> TakeBurst();
  // When the burst taken so far ends if no byte comes (Clock::time_point::max()
  // for no burst, or one the line is still carrying).
  Clock::time_point BurstEnd() const;

private:
  struct Byte {
    Clock::time_point Due;
    std::uint8_t Value;
  };
  // The first burst tick at or after t.
  Clock::time_point BurstTick(Clock::time_point t) const;

  std::deque<Byte> queue_;
  Clock::time_point lineFree_{};
  Clock::duration burst_;
  Clock::time_point origin_;
  Noise noise_;
  Burst taken_;
  Clock::time_point lastTaken_{};
};
