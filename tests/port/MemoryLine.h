// MemoryLine.h - a serial line in memory for the frame tests: a receive
// queue, bursts that arrive later with a gap before each, a line that hangs
// up, and the bytes sent.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "SampleFrame.h"

class MemoryLine {
public:
  // What a read of a hung-up line throws (the port throws ECommError).
  struct HungUp {};

  // Bytes waiting in the receive queue now.
  std::deque<std::uint8_t> Queue;
  // Bursts still on their way. Each comes GapMs after the queue ran empty:
  // a wait or a read that waits at least that long lets it arrive, one that
  // waits less finds nothing.
  std::deque<std::vector<std::uint8_t>> Later;
  std::uint32_t GapMs = 1;
  // Once every burst has come and been taken the line hangs up: a wait
  // returns at once, a read delivers what it got and the next one fails,
  // as on a port whose far end is pulled.
  bool HangsUpAtTheEnd = false;
  // What SendByte wrote.
  std::vector<std::uint8_t> Sent;

  // The port's read time-outs: 250 ms + 1 ms per byte for the first byte,
  // 15 ms between bytes once one came.
  static constexpr std::uint32_t kReadTotalMs = 250;
  static constexpr std::uint32_t kReadIntervalMs = 15;

  void SendByte(std::uint8_t value) { Sent.push_back(value); }

  int ReceiveByte() {
    if (Queue.empty()) Arrive(kReadTotalMs + 1);
    if (Queue.empty()) {
      if (Gone()) throw HungUp{};
      return -1;
    }
    const int value = Queue.front();
    Queue.pop_front();
    return value;
  }

  std::uint32_t Receive(std::uint8_t* buffer, std::uint32_t count) {
    std::uint32_t got = 0;
    while (got < count) {
      if (Queue.empty()) Arrive(got == 0 ? kReadTotalMs + count : kReadIntervalMs);
      if (Queue.empty()) break;
      buffer[got++] = Queue.front();
      Queue.pop_front();
    }
    if (got == 0 && Gone()) throw HungUp{};
    if (got < count) buffer[got] = 0;  // as the port does on a short read
    return got;
  }

  bool WaitForInput(std::uint32_t milliseconds) {
    if (Queue.empty()) Arrive(milliseconds);
    return !Queue.empty() || Gone();
  }

private:
  void Arrive(std::uint32_t waitMs) {
    if (Later.empty() || waitMs < GapMs) return;
    Queue.insert(Queue.end(), Later.front().begin(), Later.front().end());
    Later.pop_front();
  }
  bool Gone() const { return HangsUpAtTheEnd && Later.empty() && Queue.empty(); }
};

static_assert(FrameByteSource<MemoryLine> && FrameByteSink<MemoryLine>);
