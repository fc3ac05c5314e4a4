// PortLineTest.cpp - TCommPort as both platforms have it (PortLine.h): a
// closed port, a device that is not there, one held by another port,
// settings the device refuses, every byte value both ways, the read
// time-outs and the receive queue.
#include "PortLine.h"

#include <algorithm>
#include <chrono>
#include <functional>

#include "ErrorOf.h"
#include "SampleFrame.h"
#include "WaitUntil.h"

#ifdef _WIN32
#include "WindowsTest.h"
#else
#include <cerrno>
#endif

using namespace std::chrono_literals;

void ExpectWriteTimedOut(const TCommPort& port, const ECommError& error, double seconds,
                         std::uint32_t systemError) {
  EXPECT_GT(seconds, 0.2);
  EXPECT_LT(seconds, 1.0);
  EXPECT_EQ(error.Code, COMM_WRITE);
  EXPECT_EQ(error.SystemError, systemError);
  EXPECT_TRUE(IsWriteTimeout(error));
  // Said in the station's words, with the port's own limit for one byte.
  const CommTimeouts& t = port.Timeouts();
  EXPECT_EQ(DescribeCommError(error), "Sending a byte failed: the line did not take the byte within " +
                                          std::to_string(t.WriteTotalTimeoutConstant + t.WriteTotalTimeoutMultiplier) +
                                          " ms");
  EXPECT_TRUE(port.IsOpen());
}

TEST(ClosedPort, StoresSettingsAndRefusesEveryIoOperation) {
  TCommPort port;
  EXPECT_FALSE(port.IsOpen());
  EXPECT_EQ(port.PortName(), "COM1");
  EXPECT_EQ(port.LineSettings().DCBlength, 28u);
  EXPECT_EQ(port.LineSettings().BaudRate, 300u);
  EXPECT_EQ(port.LineSettings().ByteSize, 8);
  EXPECT_EQ(port.LineSettings().Parity, 0);
  EXPECT_EQ(port.LineSettings().StopBits, 0);

  // No device behind a closed port: values the line could never carry are
  // stored without complaint.
  port.ChangeBaudRate(12345);
  port.ChangeByteSize(9);
  port.ChangeParity(7);
  port.ChangeStopBits(1);
  EXPECT_EQ(port.LineSettings().BaudRate, 12345u);
  EXPECT_EQ(port.LineSettings().ByteSize, 9);
  EXPECT_EQ(port.LineSettings().Parity, 7);
  EXPECT_EQ(port.LineSettings().StopBits, 1);
  port.SetPortName("COM3");
  EXPECT_EQ(port.PortName(), "COM3");

  std::uint8_t buffer[4] = {1, 2, 3, 4};
  EXPECT_EQ(ErrorOf([&] { port.ClearInput(); }).Code, COMM_NOT_OPEN);
  EXPECT_EQ(ErrorOf([&] { port.SendByte(1); }).Code, COMM_NOT_OPEN);
  EXPECT_EQ(ErrorOf([&] { port.Receive(buffer, 4); }).Code, COMM_NOT_OPEN);
  EXPECT_EQ(ErrorOf([&] { port.ReceiveByte(); }).Code, COMM_NOT_OPEN);
  EXPECT_EQ(ErrorOf([&] { port.InputCount(); }).Code, COMM_NOT_OPEN);
  EXPECT_EQ(ErrorOf([&] { port.WaitForInput(1); }).Code, COMM_NOT_OPEN);
  EXPECT_EQ(buffer[0], 1);  // the refused read wrote nothing
  port.Close();
  EXPECT_FALSE(port.IsOpen());
}

TEST(OpenFailure, LeavesThePortClosed) {
  struct Case {
    const char* name;
    std::uint32_t systemError;  // 0: any but 0
  };
#ifdef _WIN32
  const Case cases[] = {{"COM200", ERROR_FILE_NOT_FOUND}, {"", 0}};
#else
  const Case cases[] = {{"/dev/no-such-serial-port", ENOENT}, {"", ENOENT}, {"COM", ENOENT}, {"serial0", ENOENT}};
#endif
  for (const Case& c : cases) {
    TCommPort port;
    const ECommError e = ErrorOf([&] { port.Open(c.name); });
    EXPECT_EQ(e.Code, COMM_OPEN) << c.name;
    if (c.systemError != 0)
      EXPECT_EQ(e.SystemError, c.systemError) << c.name;
    else
      EXPECT_NE(e.SystemError, 0u) << c.name;
    EXPECT_EQ(DescribeCommError(e), "Opening the serial port failed: " + CommPlatform::ErrorText(e.SystemError));
    EXPECT_FALSE(port.IsOpen());
    EXPECT_EQ(port.PortName(), c.name);
    port.Close();
    EXPECT_FALSE(port.IsOpen());
  }
}

TEST_F(PortLine, ADeviceHeldByAnotherPortIsRefusedUntilReleased) {
#ifdef _WIN32
  if (wintest::UnderWine())
    GTEST_SKIP() << "wine cannot show exclusive open: it lets a second CreateFileA of an open "
                    "port succeed; this runs on Windows";
  const std::uint32_t held = ERROR_ACCESS_DENIED;
#else
  const std::uint32_t held = EBUSY;
#endif
  TCommPort second;
  const ECommError e = ErrorOf([&] { second.Open(ends->Device()); });
  EXPECT_EQ(e.Code, COMM_OPEN);
  EXPECT_EQ(e.SystemError, held);
  EXPECT_FALSE(second.IsOpen());
  // The holder is unaffected; once it closes, the device is free.
  port.SendByte(1);
  EXPECT_EQ(ends->Collect(1).size(), 1u);
  port.Close();
  port.Close();  // a second Close does nothing
  EXPECT_FALSE(port.IsOpen());
  second.Open(ends->Device());
  EXPECT_TRUE(second.IsOpen());
}

TEST_F(PortLine, RefusedSettingsPutTheirFieldBackAndKeepTheLine) {
  const CommLineSettings before = port.LineSettings();
  const std::string driverBefore = ends->DriverSettings();
  struct Case {
    const char* what;
    std::function<void()> change;
    std::uint8_t code;
  };
  const Case cases[] = {
      {"stop-bits code 3", [&] { port.ChangeStopBits(3); }, COMM_STOP_BITS},
      {"parity code 5", [&] { port.ChangeParity(5); }, COMM_PARITY},
      {"9 data bits", [&] { port.ChangeByteSize(9); }, COMM_BYTE_SIZE},
      {"4 data bits", [&] { port.ChangeByteSize(4); }, COMM_BYTE_SIZE},
#ifndef _WIN32
      {"1.5 stop bits", [&] { port.ChangeStopBits(1); }, COMM_STOP_BITS},
      {"a rate termios has no name for", [&] { port.ChangeBaudRate(12345); }, COMM_BAUD_RATE},
      {"rate 0, which would hang up", [&] { port.ChangeBaudRate(0); }, COMM_BAUD_RATE},
      // The pseudo-terminal driver answers with 8 data bits and no parity
      // whatever it is asked: the check after applying catches it.
      {"7 data bits, turned back by the driver", [&] { port.ChangeByteSize(7); }, COMM_BYTE_SIZE},
      {"odd parity, dropped by the driver", [&] { port.ChangeParity(1); }, COMM_PARITY},
      {"mark parity, dropped by the driver", [&] { port.ChangeParity(3); }, COMM_PARITY},
#endif
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ErrorOf(c.change).Code, c.code) << c.what;
    EXPECT_TRUE(port.IsOpen());
    EXPECT_EQ(port.LineSettings().BaudRate, before.BaudRate) << c.what;
    EXPECT_EQ(port.LineSettings().ByteSize, before.ByteSize) << c.what;
    EXPECT_EQ(port.LineSettings().Parity, before.Parity) << c.what;
    EXPECT_EQ(port.LineSettings().StopBits, before.StopBits) << c.what;
  }
  EXPECT_EQ(ends->DriverSettings(), driverBefore);
  port.SendByte(0x42);
  EXPECT_EQ(ends->Collect(1), Bytes{0x42});
}

// On Windows the devices are handed over with software flow control left on
// (WinPortTest.cpp): without a transparent line this loses 0x11 and 0x13
// (and the stop a received 0x13 puts on sending) and fails.
TEST_F(PortLine, EveryByteValuePassesBothWays) {
  EXPECT_EQ(port.LineSettings().BaudRate, 9600u);
  EXPECT_EQ(port.LineSettings().StopBits, 0);
  const Bytes all = AllByteValues();
  for (std::uint8_t b : all) port.SendByte(b);
  EXPECT_EQ(ends->Collect(all.size()), all);

  ends->Send(all);
  // Once all have come, one read takes them.
  ASSERT_TRUE(WaitUntil([&] { return port.InputCount() == all.size(); }, 5s));
  Bytes got(all.size());
  EXPECT_EQ(port.Receive(got.data(), static_cast<std::uint32_t>(got.size())), all.size());
  EXPECT_EQ(got, all);
  ends->Send({0xFF, 0x00});
  EXPECT_EQ(port.ReceiveByte(), 255);
  EXPECT_EQ(port.ReceiveByte(), 0);
}

TEST_F(PortLine, ReceiveEndsShortReadsWithAZeroInsideTheCount) {
  // A heap buffer of exactly 4 bytes, so a write past it is caught.
  auto buffer = std::make_unique<std::uint8_t[]>(4);
  std::fill_n(buffer.get(), 4, std::uint8_t{0xAA});
  ends->Send({0x11, 0x22});
  ASSERT_TRUE(WaitUntil([&] { return port.InputCount() == 2; }, 5s));
  auto start = Clock::now();
  EXPECT_EQ(port.Receive(buffer.get(), 4), 2u);
  EXPECT_LT(SecondsSince(start), 0.2);  // ended by the inter-byte gap, not the total
  EXPECT_EQ(buffer[0], 0x11);
  EXPECT_EQ(buffer[1], 0x22);
  EXPECT_EQ(buffer[2], 0x00);
  EXPECT_EQ(buffer[3], 0xAA);

  ends->Send({1, 2, 3, 4});
  EXPECT_EQ(port.Receive(buffer.get(), 4), 4u);
  EXPECT_EQ(buffer[3], 4);

  start = Clock::now();
  EXPECT_EQ(port.Receive(buffer.get(), 4), 0u);
  EXPECT_GT(SecondsSince(start), 0.2);
  EXPECT_LT(SecondsSince(start), 1.0);
  EXPECT_EQ(buffer[0], 0x00);
  EXPECT_EQ(buffer[1], 2);
}

TEST_F(PortLine, ReceiveByteOnASilentLineGivesMinusOneAfterTheTimeout) {
  const auto start = Clock::now();
  EXPECT_EQ(port.ReceiveByte(), -1);
  EXPECT_GT(SecondsSince(start), 0.2);
  EXPECT_LT(SecondsSince(start), 1.0);
}

TEST_F(PortLine, InputCountClearInputAndWaitForInput) {
  auto start = Clock::now();
  EXPECT_EQ(port.InputCount(), 0u);
  EXPECT_LT(SecondsSince(start), 0.2);
  // The wait lasts what it was given (a frame's gap): a frame's reader
  // relies on it to tell a gap inside the frame from the frame's end.
  start = Clock::now();
  EXPECT_FALSE(port.WaitForInput(FRAME_GAP_MS));
  EXPECT_GE(SecondsSince(start), 0.09);
  EXPECT_LT(SecondsSince(start), 1.0);

  // With bytes on their way it returns once they come, however long it was given.
  ends->Send({1, 2, 3, 4, 5});
  start = Clock::now();
  EXPECT_TRUE(port.WaitForInput(10'000));
  EXPECT_LT(SecondsSince(start), 1.0);
  EXPECT_TRUE(WaitUntil([&] { return port.InputCount() == 5; }, 5s));
  port.ClearInput();
  EXPECT_EQ(port.InputCount(), 0u);
  ends->Send({9});
  EXPECT_TRUE(WaitUntil([&] { return port.InputCount() == 1; }, 5s));
  EXPECT_EQ(port.ReceiveByte(), 9);
}
