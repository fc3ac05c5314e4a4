// MemoryLine.h - a serial line in memory for the frame tests: a receive
// queue, bursts that arrive later, and the bytes sent.
#pragma once

#include <cstdint>
#include <deque>
#include <vector>

#include "SampleFrame.h"

class MemoryLine {
public:
  // Bytes waiting in the receive queue now.
  std::deque<std::uint8_t> Queue;
  // Bursts still on their way; each wait (or a read that finds the queue
  // short) lets the next one arrive, as a line delivers bytes with gaps
  // shorter than the inter-byte interval.
  std::deque<std::vector<std::uint8_t>> Later;
  // What SendByte wrote.
  std::vector<std::uint8_t> Sent;


  void SendByte(std::uint8_t value) { Sent.push_back(value); }

  int ReceiveByte() {
    if (Queue.empty()) Arrive();
    if (Queue.empty()) return -1;
    const int value = Queue.front();
    Queue.pop_front();
    return value;
  }

  std::uint32_t Receive(std::uint8_t* buffer, std::uint32_t count) {
    std::uint32_t got = 0;
    while (got < count) {
      if (Queue.empty()) Arrive();
      if (Queue.empty()) break;
      buffer[got++] = Queue.front();
      Queue.pop_front();
    }
    if (got < count) buffer[got] = 0;  // as the port does on a short read
    return got;
  }

  std::uint32_t InputCount() const { return static_cast<std::uint32_t>(Queue.size()); }

  bool WaitForInput() {
    Arrive();
    return !Queue.empty();
  }

private:
  void Arrive() {
    if (Later.empty()) return;
    Queue.insert(Queue.end(), Later.front().begin(), Later.front().end());
    Later.pop_front();
  }
};

static_assert(FrameByteSource<MemoryLine> && FrameByteSink<MemoryLine>);
