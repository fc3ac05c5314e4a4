// PtyPair.h - a linked pseudo-terminal pair standing in for two serial
// ports joined by a cable: the port under test opens the slave by path, the
// test plays the other station on the master.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class PtyPair {
public:
  // Opens the pair and makes both ends raw; fails the test on error.
  PtyPair();
  ~PtyPair();
  PtyPair(const PtyPair&) = delete;
  PtyPair& operator=(const PtyPair&) = delete;

  // The slave's path, for TCommPort::Open.
  const std::string& SlavePath() const { return FSlavePath; }
  // The test's own descriptor on the slave (to inspect its settings).
  int SlaveFd() const { return FSlave; }
  int MasterFd() const { return FMaster; }

  // Writes all bytes to the master end, as the other station would.
  void Send(const std::vector<std::uint8_t>& bytes) const;
  // Reads from the master until count bytes came or timeoutMs passed with
  // nothing new. Returns what came.
  std::vector<std::uint8_t> Collect(std::size_t count, int timeoutMs = 1000) const;
  // Closes the master end: the other station hangs up.
  void HangUp();

private:
  int FMaster = -1;
  int FSlave = -1;
  std::string FSlavePath;
};
