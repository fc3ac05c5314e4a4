// PtyLine.h - a station's serial line made of a pseudo-terminal, for the
// tests and benchmarks: the station opens Path() (the slave), the test plays
// the far end of the cable on the master.
//
// Interface summary
//   PtyLine line;                 a raw pair (throws std::runtime_error)
//   PtyLine cable(PtyLine::kLasting)  ... that the station opens by a lasting name
//   line.Path()                   the device the station opens
//   line.StationFd()              the test's own descriptor on the station's side
//   line.FarFd()                  the far end (the master)
//  the far end:
//   line.Send(bytes)              write them all, as fast as the line takes them
//   line.SendByteByByte(bytes)    ... with a write() of its own for each byte
//   line.SendInBursts(bytes, n, t) ... n bytes every t, as a USB adapter delivers
//   line.Collect(n, idleMs)       read n bytes, or what came before idleMs of silence
//   line.HangUp()                 close the far end: the station's device is gone
//   line.HangUpWhenTaken()        ... once the station has taken every queued
//                                 byte and waits for the next
//   cable.Pull()                  the adapter pulled: hung up, the name leads nowhere
//   cable.Plug()                  a new adapter behind the same name, nothing queued
//  the station's side:
//   line.Queued()                 bytes waiting in the station's receive queue
//   line.WaitQueued(n, ms)        wait until n bytes wait there
//   line.Fill()                   the station's outgoing direction takes no more
//   line.Locked()                 some program holds the station's device (flock)
//
//   PtyRelay relay(tx, rx)        what the station on tx sends reaches the one on rx
//   PtyRelay drain(tx)            ... or is read and dropped
//
//  any terminal (a siglink cable end, too; Linux's alone):
//   OpenEnd(path, B2400, CS8|CSTOPB)  open it as a program does: raw, blocking
//   OpenEndNonBlocking(path)      ... non-blocking, at 9600 8N1
//   QueuedAt(fd)                  bytes waiting to be read there
//   Writable(fd)                  would it take a byte now?
//
// Both ends are raw (the default mode echoes and edits lines; the frame is
// binary) and non-blocking before the station sees the device. The test
// keeps its own descriptor on the slave, so a station's close never hangs up
// the line; it watches the receive queue through it and never reads from it.
//
// Under wine (PtyLineWine.cpp) the line is a siglink cable whose ends wine
// knows as two COM names: Path() is the station's ("COM21"), the test holds
// the other and a second handle on the station's, which wine allows.
// Locked(), Fill's FillLine, HangUpWhenTaken() and the descriptors are
// Linux's alone.
#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#ifdef _WIN32
#include <atomic>

#include "CommPort.h"
#else
#include <termios.h>
#endif

class PtyLine {
public:
  // A name that outlives the device, as udev's /dev/serial/by-id/ names do:
  // on Linux a link in the temporary folder, under wine the COM name.
  struct Lasting {};
  static constexpr Lasting kLasting{};

  PtyLine();
  explicit PtyLine(Lasting);
  ~PtyLine();
  PtyLine(const PtyLine&) = delete;
  PtyLine& operator=(const PtyLine&) = delete;

  const std::string& Path() const { return path_; }
#ifndef _WIN32
  // To read the line's settings, watch the receive queue, fill the outgoing
  // direction.
  int StationFd() const { return slave_; }
  // -1 once hung up.
  int FarFd() const { return master_; }
#endif

  // Waits for room while the station's queue is full; throws
  // std::runtime_error when there is none for 5 s or the line is gone.
  void Send(const std::vector<std::uint8_t>& bytes) const;
  void SendByteByByte(const std::vector<std::uint8_t>& bytes) const;
  // `burst` bytes in one write every `every` (a USB adapter's latency timer),
  // on a fixed schedule so that late wake-ups do not add up. Returns the
  // longest pause between two writes: a loaded machine can stall the
  // writing thread beyond `every`.
  std::chrono::steady_clock::duration SendInBursts(const std::vector<std::uint8_t>& bytes,
                                                   std::size_t burst,
                                                   std::chrono::milliseconds every) const;
  // Reads until `count` bytes came or `idleMs` passed without one.
  std::vector<std::uint8_t> Collect(std::size_t count, int idleMs = 2000) const;

  // Stop a PtyRelay on this line first.
  void HangUp();
  // kLasting only: the device goes away (hung up, the name leads nowhere);
  // a new one behind the same name.
  void Pull();
  void Plug();
  // From a thread of its own, so the calling thread can go on to the
  // station's run: waits until the station has taken every queued byte and
  // its thread (the caller) sleeps in the wait for the next one, then hangs
  // up inside that wait.
  void HangUpWhenTaken();

  int Queued() const;
  // Returns whether at least `count` bytes came to wait within `timeoutMs`.
  bool WaitQueued(int count, int timeoutMs = 5000) const;

  // See FillLine. Returns the bytes put in, 0 when the line did not fill.
  std::size_t Fill() const;

  // Whether some process holds a flock() on the station's device, as a
  // station does while it has the port open (read from /proc/locks, so that
  // looking takes no lock of its own).
  bool Locked() const;

private:
#ifdef _WIN32
  friend class PtyRelay;
  std::string folder_;  // the cable's, for tests/support/wine-line.sh
  std::string path_;
  mutable TCommPort far_, station_;
  bool pulled_ = false;
#else
  void OpenPair();

  int master_ = -1;
  int slave_ = -1;
  std::string path_;
  std::string link_;  // the lasting name, removed with the line
  std::thread cutter_;
#endif
};

#ifndef _WIN32
// Opens the terminal at `path` as a program opens its port: read-write,
// blocking, raw, the receiver on and the modem status ignored, at `speed`
// with `framing` (CSIZE, PARENB and CSTOPB bits). Returns the descriptor,
// or -1.
int OpenEnd(const std::string& path, speed_t speed = B9600, tcflag_t framing = CS8);

// OpenEnd at 9600 8N1, then non-blocking: a write the line cannot take now
// fails with EAGAIN.
int OpenEndNonBlocking(const std::string& path);

// Returns the number of bytes waiting to be read at `fd`, -1 when it cannot
// be told (a hung-up terminal). Bytes on their way count once they land.
int QueuedAt(int fd);

// Whether `fd` would take a byte now.
bool Writable(int fd);

// Writes into `device`, one end of a pseudo-terminal whose far end
// `farEnd` nobody reads, until the line takes no more: a write is refused
// and can find no room later either, so the next write waits out its
// time-out. Returns the bytes put in, or 0 when the line was not full
// within 5 s or took 1 MiB (something reads the far end).
std::size_t FillLine(int device, int farEnd);
#endif

// Carries what the station on one line writes on to another line's station,
// on a thread of its own, until stopped or destroyed.
class PtyRelay {
public:
  PtyRelay(const PtyLine& from, const PtyLine& to);
  // A far end that takes everything and passes nothing on.
  explicit PtyRelay(const PtyLine& from);
  ~PtyRelay();
  PtyRelay(const PtyRelay&) = delete;
  PtyRelay& operator=(const PtyRelay&) = delete;

  void Stop();

private:
#ifdef _WIN32
  void Run(TCommPort& from, TCommPort* to);
  std::atomic<bool> stop_{false};
#else
  void Run(int from, int to) const;
  int stop_ = -1;  // an eventfd; readable once Stop was called
#endif
  std::thread thread_;
};
