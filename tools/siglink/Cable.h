// Cable.h - the virtual null-modem cable: two pseudo-terminals joined by a
// relay that carries every byte value unchanged both ways.
//
// Interface summary
//   Cable cable(paced);                  two new ends (throws std::system_error)
//   Cable cable(paced, faults);          ... that stalls, or is cut mid-way
//   Cable cable(paced, faults, burst);   ... delivering in bursts
//   cable.First() / Second()             the ends; Path() is what a program opens
//   cable.Run(fd, onWake)                relay until onWake() returns false
//   cable.Held(end), Lost(), Taken()...  what the relay saw (for tests, any thread)
//   Cable cable(paced, noisy, burst, report)   ... with bit errors, each burst told
//   cable.ReportRest()                   the bursts not yet told (before closing)
//
// Each direction is paced like a real line at the rate and framing that the
// sending program set on its end (9600 8N1: 10 bits, 1/960 s per byte), or
// not at all when the cable is unpaced. Bytes that reach an end nobody holds
// open are lost, as on a real line, and so are those a program left unread
// when it closed its end; bytes a program wrote before closing its end still
// go out. A direction takes at most a real port's transmit buffer (4 KiB)
// ahead of the line; then the sender's writes are refused, or block, until
// the line has carried all but 256 of them (see Lane.h). A bursty cable
// delivers what the line carried every `burst`, as a USB adapter's latency
// timer does.
//
// The relay sleeps until something happens: a program writes, opens or
// closes an end, a master takes bytes it refused, a byte falls due, or the
// wake descriptor is readable. An idle cable uses no CPU.
//
// For fault tests and demonstrations the cable can misbehave (CableFaults):
// a stalled cable takes its 4 KiB from a sender and carries nothing, so the
// sender's writes then block; a cut cable pulls both ends after a given
// number of bytes has reached the second end, so both programs' devices
// hang up (reads and writes fail) mid-way through whatever was being sent.
//
// A noisy cable flips each bit it carries with a given probability, each
// direction from its own generator seeded from one seed (Noise.h), and
// tells what it flipped once a burst has been carried and the line has
// been quiet for 100 ms (for a station, once per frame), so that a lab can
// set the receiver's count against the cable's.
#pragma once

#include <atomic>
#include <cstdint>
#include <ctime>
#include <functional>
#include <poll.h>

#include "End.h"
#include "Lane.h"

// What a noisy cable flipped in one burst of one direction.
struct NoiseReport {
  const End* From = nullptr;
  const End* To = nullptr;
  Lane::Burst Burst;
};

using NoiseReporter = std::function<void(const NoiseReport&)>;

struct CableFaults {
  bool Stall = false;       // carry nothing in either direction
  long long CutAfter = -1;  // pull both ends after this many bytes first → second; -1 never
  double NoiseRate = 0;     // bit errors per bit, both ways (0..1)
  std::uint64_t NoiseSeed = 0;
};

class Cable {
public:
  using Clock = Lane::Clock;

  // With a noise rate, `report` is called (on the relay's thread) for each
  // burst carried.
  explicit Cable(bool paced, CableFaults faults = {}, Clock::duration burst = {}, NoiseReporter report = {});

  // Returns the first end (the transmitting station's, by convention).
  const End& First() const { return first_; }
  // Returns the second end (the receiving station's, by convention).
  const End& Second() const { return second_; }

  // Relays until onWake returns false. onWake is called whenever wakeFd is
  // readable (a signalfd, a pipe); it must consume what made it readable.
  // A cut cable carries nothing more but still waits for onWake.
  // Returns 0 when stopped by onWake, or an errno value when a master failed.
  int Run(int wakeFd, const std::function<bool()>& onWake);

  // Returns the number of bytes that reached the second end so far.
  long long Carried() const { return carried_.load(); }
  // Returns the number of bytes taken from the first end so far; less
  // Carried(), what the line holds ahead of the second end.
  long long Taken() const { return taken_.load(); }
  // Returns how often the relay has woken so far.
  long long Wakeups() const { return wakeups_.load(); }
  // Returns the number of bytes lost at an end nobody held, both ways.
  long long Lost() const { return lost_.load(); }
  // Whether the relay, at its last look, found a program holding `end`
  // open; after a program lets go, false also says its unread bytes are
  // gone. Tests wait on it before they rely on the relay having seen it.
  bool Held(const End& end) const { return held_[&end == &first_ ? 0 : 1].load(); }
  // Returns whether the cable has been cut.
  bool IsCut() const { return first_.Pulled(); }

  // Reports the bursts taken so far whose end has not come (call after Run).
  void ReportRest();

private:
  // Moves bytes from one end to the other as far as they are due, and stops
  // or restarts the sender as its lane fills and drains. Returns an errno
  // value, or 0.
  int Pump(End& from, Lane& lane, End& to, Clock::time_point now);

  // Pulls both ends once CutAfter bytes have reached the second.
  void CutWhenDue();

  // One round of relaying: takes in the ends' opens and closes, pumps both
  // directions, cuts when due. Returns an errno value, or 0.
  int Carry(Clock::time_point now);

  // What the relay sleeps on: the wake descriptor, both watches, both
  // masters (for bytes written, and for room for bytes due), and the time
  // of the next due byte or look (Clock::time_point::max() for none).
  struct Waits {
    pollfd Fds[5];
    Clock::time_point Wake;
  };
  Waits WaitsAfter(int wakeFd, Clock::time_point now) const;

  // The ppoll time-out until wake: nullptr (no time-out) for
  // Clock::time_point::max(), else timeout filled in.
  static const timespec* TimeoutUntil(Clock::time_point wake, timespec& timeout);

  // Looks again at each end whose master hung up during the wait.
  void LookAfterHangUps(const Waits& waits);

  // Reports each direction's burst that has ended by now.
  void ReportEndedBursts(Clock::time_point now);

  bool paced_;
  CableFaults faults_;
  // The counters and held_ are read by other threads in tests.
  std::atomic<long long> carried_{0};
  std::atomic<long long> lost_{0};
  std::atomic<long long> taken_{0};
  std::atomic<long long> wakeups_{0};
  End first_;
  End second_;
  Lane forward_;   // first → second
  Lane backward_;  // second → first
  NoiseReporter noiseReport_;
  std::atomic<bool> held_[2] = {false, false};  // each end held at the last look
};
