// WinPortTest.cpp - TCommPort on the Windows serial layer, through real COM
// ports: names and error texts, a file that is no port, and, where the
// environment names them, COM ports joined by a cable (see
// tests/windows/wine-ports), the line of the tests Linux shares
// (PortLineTest.cpp) among them:
//   SIG_TEST_CABLE         two COM ports joined by a null-modem cable
//   SIG_TEST_PACED_CABLE   the same, paced like a 9600-baud line
//   SIG_TEST_STALLED_PORT  a COM port whose line carries nothing
//   SIG_TEST_PULLED_CABLE  two COM ports whose cable dies after one byte
// Under wine the ports are pseudo-terminals joined by siglink. Wine cannot
// show three things, and the tests that need them skip there and run on a
// Windows machine with real ports: exclusive open (wine lets a second
// CreateFileA of an open port succeed), modem lines (a pseudo-terminal has
// none) and line pacing (a pseudo-terminal does not pace at 9600 baud).
#include <gtest/gtest.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "CommPort.h"
#include "PortLine.h"
#include "SampleFrame.h"
#include "WindowsTest.h"

using namespace wintest;

namespace {

// A device opened directly, for what the tests do behind the port's back.
class RawDevice {
public:
  explicit RawDevice(const std::string& name)
      : handle_(CreateFileA(CommPlatform::DevicePath(name).c_str(), GENERIC_READ | GENERIC_WRITE, 0,
                            nullptr, OPEN_EXISTING, 0, nullptr)) {}
  ~RawDevice() {
    if (Opened()) CloseHandle(handle_);
  }
  RawDevice(const RawDevice&) = delete;
  RawDevice& operator=(const RawDevice&) = delete;
  bool Opened() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE Handle() const { return handle_; }

private:
  HANDLE handle_;
};

// Switches software flow control on in both directions and leaves it there,
// as an earlier program may have: a port that keeps it swallows every 0x11
// and 0x13 it receives. Returns whether the device still has it when opened
// again.
bool LeaveFlowControlOn(const std::string& name) {
  {
    RawDevice device(name);
    DCB dcb{};
    dcb.DCBlength = sizeof dcb;
    if (!device.Opened() || !GetCommState(device.Handle(), &dcb)) return false;
    dcb.fOutX = TRUE;
    dcb.fInX = TRUE;
    if (!SetCommState(device.Handle(), &dcb)) return false;
  }
  RawDevice again(name);
  DCB dcb{};
  dcb.DCBlength = sizeof dcb;
  return again.Opened() && GetCommState(again.Handle(), &dcb) && dcb.fOutX && dcb.fInX;
}

// Reads until count bytes came or `seconds` passed. Returns what came.
Bytes Collect(TCommPort& port, std::size_t count, double seconds = 5.0) {
  Bytes got;
  std::uint8_t buffer[512];
  const auto start = Clock::now();
  while (got.size() < count && SecondsSince(start) < seconds) {
    const auto want = static_cast<std::uint32_t>(std::min(sizeof buffer, count - got.size()));
    const std::uint32_t n = port.Receive(buffer, want);
    got.insert(got.end(), buffer, buffer + n);
  }
  return got;
}

void SendAll(TCommPort& port, const Bytes& bytes) {
  for (std::uint8_t b : bytes) port.SendByte(b);
}

// The station's set-up: Open, then 9600 baud and one stop bit.
void OpenAsAStation(TCommPort& port, const std::string& name) {
  port.Open(name);
  port.ChangeBaudRate(9600);
  port.ChangeStopBits(0);
}

// Fixture of the tests that need ports from the environment.
class PortsFixture : public ::testing::Test {
protected:
  // Takes `count` names from `variable`, or skips the test saying what it
  // needs (a skip in SetUp keeps the test body from running).
  void Need(const char* variable, std::size_t count, const char* what) {
    names = PortsFrom(variable);
    if (names.size() != count)
      GTEST_SKIP() << "set " << variable << " to " << what
                   << " (tests/windows/wine-ports does under wine)";
  }
  std::vector<std::string> names;
};

class Cable : public PortsFixture {
protected:
  void SetUp() override { Need("SIG_TEST_CABLE", 2, "two COM ports joined by a null-modem cable"); }
  TCommPort a;
  TCommPort b;
};

class PacedCable : public PortsFixture {
protected:
  void SetUp() override {
    Need("SIG_TEST_PACED_CABLE", 2, "two COM ports joined by a cable that runs at 9600 baud");
  }
};

// The shared tests' line (PortLine.h): the cable of SIG_TEST_CABLE, its far
// end opened as a station. Both devices come with software flow control
// left on, as an earlier program may leave it: the port must make the line
// transparent whatever it finds.
class CableEnds : public LineEnds {
public:
  explicit CableEnds(const std::vector<std::string>& names) : device_(names[0]) {
    // The far end first, so that neither end is opened the moment after a
    // close: siglink's relay, looking then whether anyone still holds the
    // end, can miss that open and drop what is sent to it.
    const bool inherited = LeaveFlowControlOn(names[1]) && LeaveFlowControlOn(names[0]);
    // Wine keeps it in the pseudo-terminal, so there the tests meet it.
    if (UnderWine()) {
      EXPECT_TRUE(inherited);
    }
    OpenAsAStation(far_, names[1]);
  }
  std::string Device() const override { return device_; }
  void Send(const Bytes& bytes) override { SendAll(far_, bytes); }
  Bytes Collect(std::size_t count) override { return ::Collect(far_, count); }

private:
  std::string device_;
  TCommPort far_;
};

}  // namespace

std::unique_ptr<LineEnds> MakeLineEnds(std::string& missing) {
  const std::vector<std::string> names = PortsFrom("SIG_TEST_CABLE");
  if (names.size() == 2) return std::make_unique<CableEnds>(names);
  missing = "set SIG_TEST_CABLE to two COM ports joined by a null-modem cable (tests/windows/wine-ports does under wine)";
  return nullptr;
}

TEST(WindowsNames, ComNamesAreOpenedThroughTheDeviceNamespace) {
  EXPECT_EQ(CommPlatform::DevicePath("COM1"), "\\\\.\\COM1");
  EXPECT_EQ(CommPlatform::DevicePath("COM3"), "\\\\.\\COM3");
  EXPECT_EQ(CommPlatform::DevicePath("COM10"), "\\\\.\\COM10");  // only this form reaches it
  EXPECT_EQ(CommPlatform::DevicePath("COM256"), "\\\\.\\COM256");
  EXPECT_EQ(CommPlatform::DevicePath("com2"), "\\\\.\\com2");
  for (const char* other : {"", "COM", "COM0", "COM02", "COM257", "COM2x", "\\\\.\\COM5", "C:\\port"})
    EXPECT_EQ(CommPlatform::DevicePath(other), other) << other;
}

// The ports a failed start offers: the values of a SERIALCOMM key, each a
// driver's device name and the COM name it has, listed in counting order; a
// key of this test's own under HKEY_CURRENT_USER stands in for the machine's.
TEST(WindowsNames, ThePortListReadsTheComNamesOfTheRegistry) {
  const std::string folder = "Software\\sigstations-tests";
  const std::string subkey = folder + "\\SERIALCOMM-" + std::to_string(GetCurrentProcessId());
  HKEY key = nullptr;
  ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, subkey.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key,
                            nullptr),
            ERROR_SUCCESS);
  const auto text = [&](const char* name, const char* value) {
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(value),
                   static_cast<DWORD>(std::strlen(value) + 1));
  };
  text("\\Device\\VCP0", "COM10");
  text("\\Device\\Serial0", "COM1");
  text("\\Device\\USBSER000", "COM3");
  text("\\Device\\Empty", "");
  const DWORD number = 4;  // not a name: left out
  RegSetValueExA(key, "\\Device\\Odd", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number);
  RegCloseKey(key);

  const std::vector<CommPortInfo> ports =
      CommPlatform::ListPortsInRegistry(reinterpret_cast<std::intptr_t>(HKEY_CURRENT_USER), subkey);
  RegDeleteKeyA(HKEY_CURRENT_USER, subkey.c_str());
  RegDeleteKeyA(HKEY_CURRENT_USER, folder.c_str());
  const std::vector<CommPortInfo> expected{
      {"COM1", "\\Device\\Serial0"}, {"COM3", "\\Device\\USBSER000"}, {"COM10", "\\Device\\VCP0"}};
  EXPECT_EQ(ports, expected);
  EXPECT_TRUE(CommPlatform::ListPortsInRegistry(reinterpret_cast<std::intptr_t>(HKEY_CURRENT_USER), subkey).empty());
  // The machine's own list, whatever it holds, is of COM names.
  for (const CommPortInfo& port : CommPlatform::ListPorts())
    EXPECT_NE(CommPlatform::ComPortNumber(port.Device), 0u) << port.Device;
}

TEST(WindowsErrors, TheSentenceCarriesTheSystemsOwnText) {
  const std::string notFound = CommPlatform::ErrorText(ERROR_FILE_NOT_FOUND);
  ASSERT_FALSE(notFound.empty());
  for (char last : {'.', '\r', '\n', ' '}) EXPECT_NE(notFound.back(), last);
  EXPECT_FALSE(CommPlatform::ErrorText(ERROR_TIMEOUT).empty());
  EXPECT_EQ(CommPlatform::ErrorText(0x20001234), "system error 536875572");

  ::SetLastError(ERROR_FILE_NOT_FOUND);
  const ECommError open(COMM_OPEN);
  EXPECT_EQ(open.SystemError, static_cast<std::uint32_t>(ERROR_FILE_NOT_FOUND));
  EXPECT_EQ(DescribeCommError(open), "Opening the serial port failed: " + notFound);
  // The class's own refusals say why without the stale system error.
  EXPECT_EQ(DescribeCommError(ECommError(COMM_NOT_OPEN)), "Using the serial port failed: the port is not open");
  ::SetLastError(0);
  EXPECT_EQ(DescribeCommError(ECommError(COMM_STATUS)), "Querying the receive queue failed");
  CommPlatform::SetLastError(ERROR_TIMEOUT);
  EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_TIMEOUT));
}

TEST(WindowsOpen, AFileThatIsNoSerialPortIsClosedAgain) {
  char folder[MAX_PATH];
  char path[MAX_PATH];
  ASSERT_NE(GetTempPathA(MAX_PATH, folder), 0u);
  ASSERT_NE(GetTempFileNameA(folder, "sig", 0, path), 0u);
  {
    TCommPort port;
    EXPECT_EQ(ErrorOf([&] { port.Open(path); }).Code, COMM_GET_STATE);
    EXPECT_FALSE(port.IsOpen());
  }
  // The port opened it for itself alone; now anyone may have it again.
  HANDLE again = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
  EXPECT_NE(again, INVALID_HANDLE_VALUE) << GetLastError();
  if (again != INVALID_HANDLE_VALUE) CloseHandle(again);
  DeleteFileA(path);
}

TEST_F(Cable, APortWithoutModemLinesOpensAllTheSame) {
  {
    RawDevice device(names[0]);
    ASSERT_TRUE(device.Opened());
    if (EscapeCommFunction(device.Handle(), SETDTR))
      GTEST_SKIP() << "this port has modem lines (ModemLinesReachTheOtherEnd covers it)";
    const DWORD error = GetLastError();
    ASSERT_TRUE(error == ERROR_NOT_SUPPORTED || error == ERROR_INVALID_FUNCTION) << error;
  }
  a.Open(names[0]);
  EXPECT_TRUE(a.IsOpen());
}

TEST_F(Cable, ModemLinesReachTheOtherEnd) {
  if (UnderWine())
    GTEST_SKIP() << "wine cannot show modem lines: a pseudo-terminal has none; this runs on "
                    "Windows with a null-modem cable that carries DTR and RTS";
  a.Open(names[0]);
  RawDevice other(names[1]);
  ASSERT_TRUE(other.Opened());
  DWORD status = 0;
  ASSERT_TRUE(GetCommModemStatus(other.Handle(), &status));
  EXPECT_NE(status & MS_DSR_ON, 0u);  // our DTR, raised by Open
  EXPECT_EQ(status & MS_CTS_ON, 0u);  // our RTS, lowered by Open
  // Changing the line later leaves them where Open put them.
  a.ChangeBaudRate(9600);
  ASSERT_TRUE(GetCommModemStatus(other.Handle(), &status));
  EXPECT_NE(status & MS_DSR_ON, 0u);
  EXPECT_EQ(status & MS_CTS_ON, 0u);
}

TEST_F(Cable, AFrameTakesItsTimeOnTheLine) {
  if (UnderWine())
    GTEST_SKIP() << "wine cannot show line pacing: a pseudo-terminal does not pace at 9600 "
                    "baud; this runs on Windows with real ports";
  OpenAsAStation(a, names[0]);
  OpenAsAStation(b, names[1]);
  UniformSamples uniform{};
  NormalSamples normal{};
  const auto start = Clock::now();
  WriteSampleFrame(a, uniform, normal);
  EXPECT_EQ(Collect(b, FRAME_SIZE).size(), FRAME_SIZE);
  // 1202 bytes of 10 bits at 9600 baud take 1.25 s.
  EXPECT_GT(SecondsSince(start), 1.1);
}

TEST_F(PacedCable, AFrameArrivingAtLinePaceIsReadToItsEnd) {
  TCommPort sender;
  TCommPort receiver;
  OpenAsAStation(sender, names[0]);
  OpenAsAStation(receiver, names[1]);
  UniformSamples uniform{};
  NormalSamples normal{};
  for (std::size_t i = 0; i < uniform.size(); ++i) {
    uniform[i] = static_cast<std::int32_t>((i * 37) % 200);
    normal[i] = std::bit_cast<float>(static_cast<std::uint32_t>(0x3F800000u + i * 0x01357913u));
  }
  // An attempt in which the machine stalled the line longer than the wait
  // inside a frame ends early with bytes still coming; it is repeated.
  for (int attempt = 0; attempt < 3; ++attempt) {
    std::optional<ECommError> sendError;
    std::thread other([&] {
      try {
        WriteSampleFrame(sender, uniform, normal);
      } catch (const ECommError& e) {
        sendError = e;
      }
    });
    UniformSamples gotUniform{};
    NormalSamples gotNormal{};
    // The read starts once the frame has begun to arrive: on a loaded
    // machine wine and the cable can take longer than the first byte's
    // read time-out to start the sender, which would read as no frame.
    const bool begun = WaitUntil([&] { return receiver.InputCount() > 0; });
    const bool frame = begun && ReadSampleFrame(receiver, gotUniform, gotNormal);
    other.join();
    ASSERT_FALSE(sendError.has_value()) << DescribeCommError(*sendError);
    ASSERT_TRUE(frame);
    const bool whole = gotUniform == uniform &&
                       std::equal(gotNormal.begin(), gotNormal.end(), normal.begin(),
                                  [](float x, float y) {
                                    return std::bit_cast<std::uint32_t>(x) == std::bit_cast<std::uint32_t>(y);
                                  });
    if (whole && receiver.InputCount() == 0) return;
    // Cut short by a stall: the rest of the frame is still on its way.
    ASSERT_TRUE(WaitUntil([&] { return receiver.InputCount() > 0; }, 2.0))
        << "the frame was read wrong, and no byte of it is left";
    while (WaitUntil([&] { return receiver.InputCount() > 0; }, 0.1)) receiver.ClearInput();
  }
  GTEST_SKIP() << "the machine was too busy to keep line pace";
}

TEST(StalledLine, AByteThatCannotGoOutInTimeThrowsNine) {
  const auto names = PortsFrom("SIG_TEST_STALLED_PORT");
  if (names.size() != 1)
    GTEST_SKIP() << "set SIG_TEST_STALLED_PORT to a COM port whose line carries nothing "
                    "(tests/windows/wine-ports does under wine)";
  TCommPort port;
  OpenAsAStation(port, names[0]);
  // Fill the line's buffers until a byte no longer goes out.
  std::optional<ECommError> error;
  double seconds = 0;
  for (int i = 0; i < 1'000'000 && !error; ++i) {
    const auto start = Clock::now();
    try {
      port.SendByte(0x55);
    } catch (const ECommError& e) {
      error = e;
      seconds = SecondsSince(start);
    }
  }
  ASSERT_TRUE(error.has_value());
  ExpectWriteTimedOut(port, *error, seconds, ERROR_TIMEOUT);
}

TEST(PulledCable, WritesStatusAndChangesFailAndChangesPutTheirFieldBack) {
  const auto names = PortsFrom("SIG_TEST_PULLED_CABLE");
  if (names.size() != 2)
    GTEST_SKIP() << "set SIG_TEST_PULLED_CABLE to two COM ports whose cable dies after one "
                    "byte (tests/windows/wine-ports does under wine)";
  TCommPort a;
  TCommPort b;
  a.Open(names[0]);
  b.Open(names[1]);
  a.SendByte(0x42);
  // The cable dies once the byte reaches the other end; the status query
  // is the first to notice. (A read on a dead line under wine returns no
  // byte rather than failing, so reads are not judged here.)
  ASSERT_TRUE(WaitUntil([&] {
    try {
      a.InputCount();
      return false;
    } catch (const ECommError& e) {
      return e.Code == COMM_STATUS;
    }
  }));
  EXPECT_EQ(ErrorOf([&] { a.SendByte(1); }).Code, COMM_WRITE);
  EXPECT_EQ(ErrorOf([&] { a.ChangeBaudRate(9600); }).Code, COMM_BAUD_RATE);
  EXPECT_EQ(a.LineSettings().BaudRate, 19200u);
  EXPECT_EQ(ErrorOf([&] { a.ChangeStopBits(0); }).Code, COMM_STOP_BITS);
  EXPECT_EQ(a.LineSettings().StopBits, 2);
  EXPECT_EQ(ErrorOf([&] { a.ChangeParity(2); }).Code, COMM_PARITY);
  EXPECT_EQ(a.LineSettings().Parity, 0);
  EXPECT_EQ(ErrorOf([&] { a.ChangeByteSize(7); }).Code, COMM_BYTE_SIZE);
  EXPECT_EQ(a.LineSettings().ByteSize, 8);
  EXPECT_TRUE(a.IsOpen());
  a.Close();
  EXPECT_FALSE(a.IsOpen());
}
