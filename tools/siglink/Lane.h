// Lane.h - one direction of the virtual cable: the bytes taken from one
// end's master, each due at the other end when a real line would have
// finished sending it.
//
// Interface summary
//   Lane lane;
//   lane.Take(from, characterTime, now)   read what the program wrote
//   lane.Deliver(to, now)                 write every byte now due
//   lane.Deliver(to, now, limit)          ... but no more than limit bytes
//   lane.Drop(now)                        lose every byte now due
//   lane.NextDue() / lane.Pending()       when to wake, how much is queued
//   lane.Full()                           stop taking until bytes leave
//
// Pacing is deadline-based on the monotonic clock: the line is busy until
// LineFree; a byte that comes while the line is idle starts at once, one
// that comes while it is busy starts when it frees. A late wake-up therefore
// never shifts the bytes after it (no drift), and with a character time of
// zero a byte is due the moment it is taken.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <limits>

using Clock = std::chrono::steady_clock;

class Lane {
public:
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
  // then leaves the program's bytes in its own queue until some are sent.
  bool Full() const { return queue_.size() >= kCapacity; }

private:
  struct Byte {
    Clock::time_point Due;
    std::uint8_t Value;
  };
  static constexpr std::size_t kCapacity = 65536;
  std::deque<Byte> queue_;
  Clock::time_point lineFree_{};
};
