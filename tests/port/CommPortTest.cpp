// CommPortTest.cpp - TCommPort on pseudo-terminals: names, opening, the
// line settings as termios has them, a full line and a hung-up one; and the
// line of the tests Windows shares (PortLineTest.cpp).
#include <gtest/gtest.h>
#include <sys/file.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "CommPort.h"
#include "ErrorOf.h"
#include "PortLine.h"
#include "PtyLine.h"
#include "TermiosLine.h"

namespace {

termios SettingsOf(int fd) {
  termios t{};
  EXPECT_EQ(tcgetattr(fd, &t), 0);
  return t;
}

class PtyPort : public ::testing::Test {
protected:
  void SetUp() override { port.Open(pty.Path()); }
  PtyLine pty;
  TCommPort port;
};

// The shared tests' line (PortLine.h): a pseudo-terminal, whose settings the
// test reads through its own descriptor.
class PtyEnds : public LineEnds {
public:
  std::string Device() const override { return pty_.Path(); }
  void Send(const Bytes& bytes) override { pty_.Send(bytes); }
  Bytes Collect(std::size_t count) override { return pty_.Collect(count); }
  std::string DriverSettings() const override {
    const termios t = SettingsOf(pty_.StationFd());
    return std::to_string(cfgetospeed(&t)) + " " + std::to_string(t.c_cflag);
  }

private:
  PtyLine pty_;
};

}  // namespace

std::unique_ptr<LineEnds> MakeLineEnds(std::string& /*missing*/) { return std::make_unique<PtyEnds>(); }

// The one rule for COM names; a station's --port, environment variable and
// setting read them by it (tests/window/StartTest.cpp).
TEST(PortNames, ComNamesAreComAndOneTo256WithoutLeadingZeros) {
  struct Case {
    const char* name;
    unsigned number;
    const char* device;
  };
  for (const Case& c : {Case{"COM1", 1, "/dev/ttyS0"}, Case{"COM2", 2, "/dev/ttyS1"},
                        Case{"COM3", 3, "/dev/ttyS2"}, Case{"COM12", 12, "/dev/ttyS11"},
                        Case{"COM256", 256, "/dev/ttyS255"},
                        // Windows reads device names in any letter case.
                        Case{"com2", 2, "/dev/ttyS1"}, Case{"cOm10", 10, "/dev/ttyS9"},
                        Case{"/dev/pts/7", 0, "/dev/pts/7"}, Case{"/dev/x", 0, "/dev/x"},
                        Case{"COM257", 0, ""}, Case{"COM0", 0, ""}, Case{"COM02", 0, ""},
                        Case{"COMx", 0, ""}, Case{"", 0, ""}, Case{"COM", 0, ""},
                        Case{"COM2x", 0, ""}, Case{"ttyS1", 0, ""}, Case{"COM9999", 0, ""},
                        Case{"CON2", 0, ""}, Case{" COM2", 0, ""}}) {
    EXPECT_EQ(CommPlatform::ComPortNumber(c.name), c.number) << c.name;
    EXPECT_EQ(CommPlatform::DevicePath(c.name), c.device) << c.name;
  }
}

// One table serves the port and siglink's cable: a rate or a format bit
// written wrong would make them both wrong in the same way, so check it
// against termios itself.
TEST(TermiosLine, RatesAndFormatsRoundTrip) {
  const std::pair<std::uint32_t, speed_t> named[] = {
      {50, B50},       {300, B300},     {9600, B9600},     {19200, B19200},
      {38400, B38400}, {57600, B57600}, {115200, B115200}, {4000000, B4000000}};
  for (const auto& [rate, code] : named) {
    speed_t got{};
    ASSERT_TRUE(TermiosSpeedFor(rate, got)) << rate;
    EXPECT_EQ(got, code) << rate;
    EXPECT_EQ(TermiosRateOf(code), rate) << rate;
  }
  speed_t unused{};
  EXPECT_FALSE(TermiosSpeedFor(0, unused));  // B0 would hang up the line
  EXPECT_FALSE(TermiosSpeedFor(12345, unused));
  EXPECT_EQ(TermiosRateOf(B0), 0u);

  for (std::uint8_t size = 5; size <= 8; ++size) {
    for (std::uint8_t parity = 0; parity <= 4; ++parity) {
      for (std::uint8_t stop : {std::uint8_t{0}, std::uint8_t{2}}) {
        CommLineSettings in{28, 9600, size, parity, stop};
        tcflag_t bits = 0;
        if (parity >= 3 && kTermiosMarkSpace == 0) {  // no CMSPAR here
          EXPECT_FALSE(TermiosFormatBits(in, bits));
          continue;
        }
        ASSERT_TRUE(TermiosFormatBits(in, bits));
        EXPECT_EQ(bits & ~kTermiosFormatBits, 0u);
        CommLineSettings out{};
        DecodeTermiosFormat(bits, out);
        EXPECT_EQ(out.ByteSize, size);
        EXPECT_EQ(out.Parity, parity);
        EXPECT_EQ(out.StopBits, stop);
      }
    }
  }
  tcflag_t bits = 0;
  ASSERT_TRUE(TermiosFormatBits({28, 9600, 8, 1, 0}, bits));
  EXPECT_EQ(bits, static_cast<tcflag_t>(CS8 | PARENB | PARODD));
  ASSERT_TRUE(TermiosFormatBits({28, 9600, 7, 2, 2}, bits));
  EXPECT_EQ(bits, static_cast<tcflag_t>(CS7 | PARENB | CSTOPB));
  for (const CommLineSettings& refused :
       {CommLineSettings{28, 9600, 4, 0, 0}, CommLineSettings{28, 9600, 9, 0, 0},
        CommLineSettings{28, 9600, 8, 5, 0}, CommLineSettings{28, 9600, 8, 0, 1},
        CommLineSettings{28, 9600, 8, 0, 3}})
    EXPECT_FALSE(TermiosFormatBits(refused, bits));
}

TEST(DescribeCommError, NamesTheOperationAndTheSystemReason) {
  errno = ENOENT;
  EXPECT_EQ(DescribeCommError(ECommError(COMM_OPEN)),
            "Opening the serial port failed: No such file or directory");
  errno = EIO;
  EXPECT_EQ(DescribeCommError(ECommError(COMM_WRITE)), "Sending a byte failed: Input/output error");
  // Only a write's time-out is told in the station's words (see
  // AByteThatCannotGoOutInTimeIsAFailedWrite).
  errno = ETIMEDOUT;
  EXPECT_EQ(DescribeCommError(ECommError(COMM_READ)), "Reading from the serial port failed: Connection timed out");
  // The class's own refusals say why without a stale system error.
  errno = ENOENT;
  EXPECT_EQ(DescribeCommError(ECommError(COMM_NOT_OPEN)), "Using the serial port failed: the port is not open");
  EXPECT_EQ(DescribeCommError(ECommError(COMM_PORT_OPEN)), "Changing the port name failed: the port is open");
  errno = 0;
  EXPECT_EQ(DescribeCommError(ECommError(COMM_STATUS)), "Querying the receive queue failed");
  EXPECT_EQ(DescribeCommError(ECommError(2)), "Serial port error 2");
}

TEST(OpenFailure, AFileThatIsNoTerminalIsClosedAgain) {
  char path[] = "/tmp/sig-port-test-XXXXXX";
  int fd = mkstemp(path);
  ASSERT_GE(fd, 0);
  {
    TCommPort port;
    EXPECT_EQ(ErrorOf([&] { port.Open(path); }).Code, COMM_GET_STATE);
    EXPECT_FALSE(port.IsOpen());
    // The abandoned handle let go of its lock: the file is free again.
    EXPECT_EQ(flock(fd, LOCK_EX | LOCK_NB), 0);
  }
  close(fd);
  unlink(path);
}

TEST_F(PtyPort, OpenForcesTheFixedRawLineAndTimeouts) {
  ASSERT_TRUE(port.IsOpen());
  EXPECT_EQ(port.PortName(), pty.Path());
  EXPECT_EQ(port.LineSettings().BaudRate, 19200u);
  EXPECT_EQ(port.LineSettings().ByteSize, 8);
  EXPECT_EQ(port.LineSettings().Parity, 0);
  EXPECT_EQ(port.LineSettings().StopBits, 2);
  EXPECT_EQ(port.Timeouts().ReadIntervalTimeout, 15u);
  EXPECT_EQ(port.Timeouts().ReadTotalTimeoutMultiplier, 1u);
  EXPECT_EQ(port.Timeouts().ReadTotalTimeoutConstant, 250u);
  EXPECT_EQ(port.Timeouts().WriteTotalTimeoutMultiplier, 1u);
  EXPECT_EQ(port.Timeouts().WriteTotalTimeoutConstant, 250u);

  termios t = SettingsOf(pty.StationFd());
  EXPECT_EQ(cfgetospeed(&t), B19200);
  EXPECT_EQ(t.c_cflag & CSIZE, static_cast<tcflag_t>(CS8));
  EXPECT_NE(t.c_cflag & CSTOPB, 0u);
  EXPECT_EQ(t.c_cflag & (PARENB | CRTSCTS), 0u);
  EXPECT_EQ(t.c_cflag & (CREAD | CLOCAL), static_cast<tcflag_t>(CREAD | CLOCAL));
  EXPECT_EQ(t.c_lflag & (ICANON | ECHO | ISIG | IEXTEN), 0u);
  EXPECT_EQ(t.c_iflag & (IXON | IXOFF | ISTRIP | ICRNL | INLCR | IGNCR), 0u);
  EXPECT_EQ(t.c_oflag & OPOST, 0u);
}

TEST_F(PtyPort, StationSequenceGives9600Baud8N1) {
  port.ChangeBaudRate(9600);
  port.ChangeStopBits(0);
  EXPECT_EQ(port.LineSettings().BaudRate, 9600u);
  EXPECT_EQ(port.LineSettings().StopBits, 0);
  termios t = SettingsOf(pty.StationFd());
  EXPECT_EQ(cfgetospeed(&t), B9600);
  EXPECT_EQ(t.c_cflag & (CSIZE | PARENB | CSTOPB), static_cast<tcflag_t>(CS8));
}

TEST(PtyOpen, SettingsStoredBeforeOpenAreReplaced) {
  PtyLine pty;
  TCommPort port;
  port.ChangeBaudRate(9600);
  port.ChangeStopBits(0);
  port.ChangeByteSize(7);
  port.Open(pty.Path());
  EXPECT_EQ(port.LineSettings().BaudRate, 19200u);
  EXPECT_EQ(port.LineSettings().ByteSize, 8);
  EXPECT_EQ(port.LineSettings().StopBits, 2);
  termios t = SettingsOf(pty.StationFd());
  EXPECT_EQ(cfgetospeed(&t), B19200);
  EXPECT_EQ(t.c_cflag & (CSIZE | CSTOPB), static_cast<tcflag_t>(CS8 | CSTOPB));
}

TEST_F(PtyPort, SecondOpenAndRenameLeaveTheOpenPortAlone) {
  PtyLine other;
  port.Open(other.Path());
  EXPECT_EQ(port.PortName(), pty.Path());
  ECommError e = ErrorOf([&] { port.SetPortName("COM3"); });
  EXPECT_EQ(e.Code, COMM_PORT_OPEN);
  EXPECT_EQ(port.PortName(), pty.Path());
  // Still the first device.
  port.SendByte(0x5A);
  EXPECT_EQ(pty.Collect(1), std::vector<std::uint8_t>{0x5A});
}

TEST_F(PtyPort, AByteThatCannotGoOutInTimeIsAFailedWrite) {
  // Nobody reads the other end: fill the line until it takes no more.
  ASSERT_GT(pty.Fill(), 0u);

  const auto start = Clock::now();
  const ECommError e = ErrorOf([&] { port.SendByte(0x01); });
  ExpectWriteTimedOut(port, e, SecondsSince(start), ETIMEDOUT);
}

TEST_F(PtyPort, AHungUpLineFailsEveryOperationButClose) {
  pty.Send({7});
  ASSERT_EQ(port.InputCount(), 1u);
  pty.HangUp();
  auto start = Clock::now();
  std::uint8_t buffer[4];
  // A wait sees the hang-up as something to read, so the read after it
  // reports the failure (a frame's reader relies on that).
  EXPECT_TRUE(port.WaitForInput(10'000));
  EXPECT_EQ(ErrorOf([&] { port.ReceiveByte(); }).Code, COMM_READ);
  EXPECT_EQ(ErrorOf([&] { port.Receive(buffer, 4); }).Code, COMM_READ);
  EXPECT_EQ(ErrorOf([&] { port.InputCount(); }).Code, COMM_STATUS);
  EXPECT_EQ(ErrorOf([&] { port.ClearInput(); }).Code, COMM_PURGE);
  const ECommError write = ErrorOf([&] { port.SendByte(1); });
  EXPECT_EQ(write.Code, COMM_WRITE);
  EXPECT_FALSE(IsWriteTimeout(write));  // the line failed; it did not merely stall
  EXPECT_EQ(ErrorOf([&] { port.ChangeBaudRate(9600); }).Code, COMM_BAUD_RATE);
  EXPECT_EQ(port.LineSettings().BaudRate, 19200u);
  EXPECT_LT(SecondsSince(start), 0.2);  // none of them waits for a dead line
  EXPECT_TRUE(port.IsOpen());
  port.Close();
  EXPECT_FALSE(port.IsOpen());
}
