// PortLine.h - the port tests that Linux and Windows share
// (PortLineTest.cpp): a TCommPort opened as a station opens it, on one end
// of a serial line whose far end the test plays. Each platform's suite gives
// the line through MakeLineEnds: a pseudo-terminal on Linux
// (CommPortTest.cpp), two COM ports joined by a cable on Windows, a siglink
// cable under wine (WinPortTest.cpp).
#pragma once

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "CommPort.h"

using Bytes = std::vector<std::uint8_t>;

// The device the port under test opens, and the far end of its line.
class LineEnds {
public:
  virtual ~LineEnds() = default;
  virtual std::string Device() const = 0;
  // Sends from the far end.
  virtual void Send(const Bytes& bytes) = 0;
  // Reads at the far end until `count` bytes came or the line fell silent.
  virtual Bytes Collect(std::size_t count) = 0;
  // The line's settings as the driver holds them, to compare before and
  // after; "" where the test cannot see them.
  virtual std::string DriverSettings() const { return {}; }
};

// The platform's line; nullptr, with `missing` saying what the tests need,
// where there is none.
std::unique_ptr<LineEnds> MakeLineEnds(std::string& missing);

class PortLine : public ::testing::Test {
protected:
  void SetUp() override {
    std::string missing;
    ends = MakeLineEnds(missing);
    if (!ends) GTEST_SKIP() << missing;
    port.Open(ends->Device());
    port.ChangeBaudRate(9600);
    port.ChangeStopBits(0);
  }
  std::unique_ptr<LineEnds> ends;
  TCommPort port;
};

// The checks on a byte the line did not take within the write time-out
// (`error`, thrown after `seconds`): code 9 with the platform's time-out
// error (`systemError`), told in the station's words, the port still open.
void ExpectWriteTimedOut(const TCommPort& port, const ECommError& error, double seconds,
                         std::uint32_t systemError);
