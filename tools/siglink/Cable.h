// Cable.h - the virtual null-modem cable: two pseudo-terminals joined by a
// relay that carries every byte value unchanged both ways.
//
// Interface summary
//   Cable cable(paced);          two new ends (throws std::system_error)
//   cable.First() / Second()     the ends; Path() is what a program opens
//   cable.Run(fd, onWake)        relay until onWake() returns false
//
// Each direction is paced like a real line at the rate and framing that the
// sending program set on its end (9600 8N1: 10 bits, 1/960 s per byte), or
// not at all when the cable is unpaced. Bytes that reach an end nobody holds
// open are lost, as on a real line, and so are those a program left unread
// when it closed its end; bytes a program wrote before closing its end still
// go out.
#pragma once

#include <functional>

#include "End.h"
#include "Lane.h"

class Cable {
public:
  explicit Cable(bool paced);

  // Returns the first end (the transmitting station's, by convention).
  const End& First() const { return first_; }
  // Returns the second end (the receiving station's, by convention).
  const End& Second() const { return second_; }

  // Relays until onWake returns false. onWake is called whenever wakeFd is
  // readable (a signalfd, a pipe); it must consume what made it readable.
  // Returns 0 when stopped by onWake, or an errno value when a master failed.
  int Run(int wakeFd, const std::function<bool()>& onWake);

private:
  // Moves bytes from one end to the other as far as they are due.
  // Returns an errno value, or 0.
  int Pump(const End& from, Lane& lane, const End& to, Clock::time_point now);

  bool paced_;
  End first_;
  End second_;
  Lane forward_;   // first → second
  Lane backward_;  // second → first
  bool held_[2] = {false, false};  // each end held at the last look
};
