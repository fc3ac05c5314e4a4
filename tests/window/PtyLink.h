// PtyLink.h - a serial line between two stations made of pseudo-terminals,
// for tests and benchmarks.
//
// Interface summary
//   TPtyLink link;                 two raw pty pairs and a relay thread
//   link.TransmitterPath()         the device the transmitting station opens
//   link.ReceiverPath()            the device the receiving station opens
//   link.WaitQueued(n, ms)         wait until n bytes wait at the receiver
//   link.Inject(bytes)             put bytes on the line to the receiver
//   link.HangUpTransmitter()       the transmitter's line goes dead (writes fail)
//
// What the transmitting station writes to its slave is copied by a thread
// from its master to the receiver's master, so it arrives in the receiving
// station's receive queue. Both slaves are raw before any station opens them
// and stay held by the link, so a station's close never hangs up the line.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

class TPtyLink {
public:
  // With `relay` false the transmitter's output is only drained, never
  // passed on (the receiver then gets nothing but Inject). Throws
  // std::runtime_error when a pty cannot be made.
  explicit TPtyLink(bool relay = true);
  ~TPtyLink();
  TPtyLink(const TPtyLink&) = delete;
  TPtyLink& operator=(const TPtyLink&) = delete;

  // The slave device paths. Return them.
  const std::string& TransmitterPath() const { return txPath_; }
  const std::string& ReceiverPath() const { return rxPath_; }

  // Bytes waiting in the receiver's queue. Returns the count.
  int Queued() const;
  // Waits until at least `count` bytes wait at the receiver, at most
  // `timeoutMs`. Returns whether they arrived.
  bool WaitQueued(int count, int timeoutMs) const;
  // Writes `bytes` into the receiver's line. Returns nothing.
  void Inject(const std::vector<std::uint8_t>& bytes);
  // Stops the relay and closes the transmitter's master: the transmitting
  // station's writes fail from now on. Returns nothing.
  void HangUpTransmitter();

private:
  void Relay();
  void StopRelay();

  int txMaster_ = -1, txSlave_ = -1, rxMaster_ = -1, rxSlave_ = -1;
  std::string txPath_, rxPath_;
  bool relay_;
  std::atomic<bool> stop_{false};
  std::thread thread_;
};
