// FaultLine.h - one station's serial line made of a pseudo-terminal whose
// far end the test holds, so the test can play a broken cable.
//
// Interface summary
//   FaultLine line;              a raw pty pair; the station opens Path()
//   line.SendByteByByte(bytes)   the far end writes, one write() per byte
//   line.WaitQueued(n)           wait until n bytes wait at the station
//   line.Fill()                  the station's outgoing line takes no more
//   line.Drain()                 the far end reads everything waiting
//   line.Collect(n)              the far end reads n bytes (or what came)
//   line.HangUp()                the far end closes: the device is gone
//   line.CutWhenTaken()          hang up once the station took every byte
//
// The test keeps its own descriptor on the station's side too, to watch the
// station's receive queue and to fill its transmit direction; it never
// reads from it.
#pragma once

#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class FaultLine {
public:
  // Throws std::runtime_error when no pty can be made.
  FaultLine();
  ~FaultLine();
  FaultLine(const FaultLine&) = delete;
  FaultLine& operator=(const FaultLine&) = delete;

  // The device the station opens. Returns its path.
  const std::string& Path() const { return path_; }

  // Writes every byte with a write() of its own. Returns nothing.
  void SendByteByByte(const std::vector<std::uint8_t>& bytes) const;
  // The bytes waiting in the station's receive queue. Returns the count.
  int Queued() const;
  // Waits up to timeoutMs until at least count bytes wait at the station.
  // Returns whether they did.
  bool WaitQueued(int count, int timeoutMs = 5000) const;

  // Writes into the station's outgoing direction until a whole round takes
  // nothing: the station's next write finds no room. Returns the bytes put in.
  std::size_t Fill() const;
  // Reads and drops everything waiting at the far end. Returns the count.
  std::size_t Drain() const;
  // Reads until count bytes came or 2 s passed without a byte. Returns them.
  std::vector<std::uint8_t> Collect(std::size_t count) const;

  // Closes the far end now. Returns nothing.
  void HangUp();
  // From a thread of its own: waits until the station has taken every
  // queued byte, lets it wait a moment for the next one, then hangs up.
  // Returns at once.
  void CutWhenTaken();

private:
  int master_ = -1;
  int slave_ = -1;
  std::string path_;
  std::thread cutter_;
};
