// Kernel32CallsTest.cpp - what the Windows serial layer asks of kernel32,
// seen on a pretend device (Kernel32Fake.h): each call with its arguments,
// the transparent line it makes of any configuration, and the failures no
// real device shows on demand. Runs the same under wine and on Windows.
#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "CommPort.h"
#include "Kernel32Fake.h"
#include "WindowsTest.h"

using namespace wintest;
using Calls = std::vector<std::string>;

namespace {

const Calls kOpenCalls = {
    "CreateFileA \\\\.\\COM42 read+write share 0 no-security OPEN_EXISTING flags 0 no-template",
    "GetCommState",
    "SetCommState 19200 8 0 2",
    "SetupComm 32768 9216",
    "SetCommTimeouts 15 1 250 1 250",
    "EscapeCommFunction SETDTR",
    "EscapeCommFunction CLRRTS",
};

class Kernel32Calls : public ::testing::Test {
protected:
  void SetUp() override { device = &kernel32fake::Plug(); }
  void TearDown() override { kernel32fake::Unplug(); }
  kernel32fake::Device* device = nullptr;
};

}  // namespace

TEST_F(Kernel32Calls, EachOperationMakesItsCallsWithItsArguments) {
  TCommPort port;
  port.Open(kernel32fake::kPortName);
  EXPECT_EQ(device->Calls, kOpenCalls);

  device->Calls.clear();
  port.ChangeBaudRate(9600);
  port.ChangeStopBits(0);
  port.SendByte(0x55);
  device->Input = {7, 8, 9};
  EXPECT_EQ(port.InputCount(), 3u);
  EXPECT_TRUE(port.WaitForInput(100));
  EXPECT_EQ(port.ReceiveByte(), 7);
  std::uint8_t buffer[4] = {0, 0, 0, 0xAA};
  EXPECT_EQ(port.Receive(buffer, 4), 2u);
  device->Input = {1};
  port.ClearInput();
  EXPECT_EQ(port.InputCount(), 0u);
  port.Close();
  EXPECT_EQ(device->Calls, (Calls{
                               "SetCommState 9600 8 0 2",
                               "SetCommState 9600 8 0 0",
                               "WriteFile 1",
                               "ClearCommError",
                               "ClearCommError",
                               "ReadFile 1",
                               "ReadFile 4",
                               "PurgeComm PURGE_RXCLEAR",
                               "ClearCommError",
                               "CloseHandle",
                           }));
}

TEST_F(Kernel32Calls, AnyConfigurationBecomesATransparentLineAndKeepsTheRest) {
  // What an earlier program may have left: flow control of every kind, an
  // error character, NUL stripping, abort on error, handshaking modem lines.
  DCB& hostile = device->State;
  hostile.fBinary = FALSE;
  hostile.fParity = TRUE;
  hostile.fOutxCtsFlow = TRUE;
  hostile.fOutxDsrFlow = TRUE;
  hostile.fDtrControl = DTR_CONTROL_HANDSHAKE;
  hostile.fDsrSensitivity = TRUE;
  hostile.fTXContinueOnXoff = TRUE;
  hostile.fOutX = TRUE;
  hostile.fInX = TRUE;
  hostile.fErrorChar = TRUE;
  hostile.fNull = TRUE;
  hostile.fRtsControl = RTS_CONTROL_HANDSHAKE;
  hostile.fAbortOnError = TRUE;
  hostile.XonLim = 123;
  hostile.XoffLim = 456;
  hostile.XonChar = 0x21;
  hostile.XoffChar = 0x23;
  hostile.ErrorChar = '?';
  hostile.EofChar = 0x1A;
  hostile.EvtChar = 0x7E;
  const DCB before = hostile;

  TCommPort port;
  port.Open(kernel32fake::kPortName);
  port.ChangeBaudRate(9600);
  port.ChangeStopBits(0);
  ASSERT_EQ(device->Applied.size(), 3u);
  for (const DCB& dcb : device->Applied) {
    EXPECT_EQ(dcb.DCBlength, 28u);
    EXPECT_TRUE(dcb.fBinary);
    EXPECT_FALSE(dcb.fOutX);
    EXPECT_FALSE(dcb.fInX);
    EXPECT_FALSE(dcb.fOutxCtsFlow);
    EXPECT_FALSE(dcb.fOutxDsrFlow);
    EXPECT_FALSE(dcb.fDsrSensitivity);
    EXPECT_FALSE(dcb.fErrorChar);
    EXPECT_FALSE(dcb.fNull);
    EXPECT_FALSE(dcb.fAbortOnError);
    // The modem lines stay where Open drives them: DTR high, RTS low.
    EXPECT_EQ(dcb.fDtrControl, static_cast<DWORD>(DTR_CONTROL_ENABLE));
    EXPECT_EQ(dcb.fRtsControl, static_cast<DWORD>(RTS_CONTROL_DISABLE));
    // The rest stays the device's own.
    EXPECT_EQ(dcb.fParity, before.fParity);
    EXPECT_EQ(dcb.fTXContinueOnXoff, before.fTXContinueOnXoff);
    EXPECT_EQ(dcb.XonLim, before.XonLim);
    EXPECT_EQ(dcb.XoffLim, before.XoffLim);
    EXPECT_EQ(dcb.XonChar, before.XonChar);
    EXPECT_EQ(dcb.XoffChar, before.XoffChar);
    EXPECT_EQ(dcb.ErrorChar, before.ErrorChar);
    EXPECT_EQ(dcb.EofChar, before.EofChar);
    EXPECT_EQ(dcb.EvtChar, before.EvtChar);
    EXPECT_EQ(dcb.ByteSize, 8);
    EXPECT_EQ(dcb.Parity, 0);
  }
  EXPECT_EQ(device->Applied.back().BaudRate, 9600u);
  EXPECT_EQ(device->Applied.back().StopBits, 0);
}

TEST_F(Kernel32Calls, ModemLinesThatAreNotThereAreNoFailure) {
  for (DWORD error : {DWORD{ERROR_NOT_SUPPORTED}, DWORD{ERROR_INVALID_FUNCTION}}) {
    for (const char* call : {"EscapeCommFunction SETDTR", "EscapeCommFunction CLRRTS"}) {
      device = &kernel32fake::Plug();
      device->Failures[call] = error;
      TCommPort port;
      port.Open(kernel32fake::kPortName);
      EXPECT_TRUE(port.IsOpen()) << call << " " << error;
      EXPECT_EQ(device->Calls, kOpenCalls) << call << " " << error;
    }
  }
}

TEST_F(Kernel32Calls, AnyOtherModemLineFailureGivesUpTheDevice) {
  struct Case {
    const char* call;
    DWORD error;
    std::size_t callsBefore;  // of kOpenCalls, up to the failing one
  };
  for (const Case& c : {Case{"EscapeCommFunction SETDTR", ERROR_GEN_FAILURE, 6},
                        Case{"EscapeCommFunction CLRRTS", ERROR_ACCESS_DENIED, 7}}) {
    device = &kernel32fake::Plug();
    device->Failures[c.call] = c.error;
    TCommPort port;
    const ECommError e = ErrorOf([&] { port.Open(kernel32fake::kPortName); });
    EXPECT_EQ(e.Code, COMM_OPEN) << c.call;
    EXPECT_EQ(e.SystemError, c.error) << c.call;
    EXPECT_FALSE(port.IsOpen());
    // The handle is closed at once; after a failed DTR, RTS is not asked for.
    Calls expected(kOpenCalls.begin(), kOpenCalls.begin() + static_cast<std::ptrdiff_t>(c.callsBefore));
    expected.push_back("CloseHandle");
    EXPECT_EQ(device->Calls, expected) << c.call;

    device->Failures.clear();
    port.Open(kernel32fake::kPortName);
    EXPECT_TRUE(port.IsOpen());
  }
}

TEST_F(Kernel32Calls, OpenFailuresCloseTheHandleAndNameTheFailingCall) {
  struct Case {
    const char* call;
    std::uint8_t code;
  };
  for (const Case& c : {Case{"GetCommState", COMM_GET_STATE}, Case{"SetCommState 19200 8 0 2", COMM_SET_STATE},
                        Case{"SetupComm 32768 9216", COMM_SETUP_QUEUES},
                        Case{"SetCommTimeouts 15 1 250 1 250", COMM_TIMEOUTS}}) {
    device = &kernel32fake::Plug();
    device->Failures[c.call] = ERROR_GEN_FAILURE;
    TCommPort port;
    const ECommError e = ErrorOf([&] { port.Open(kernel32fake::kPortName); });
    EXPECT_EQ(e.Code, c.code) << c.call;
    EXPECT_EQ(e.SystemError, static_cast<std::uint32_t>(ERROR_GEN_FAILURE)) << c.call;
    EXPECT_FALSE(port.IsOpen());
    ASSERT_GE(device->Calls.size(), 2u);
    EXPECT_EQ(device->Calls[device->Calls.size() - 2], c.call);
    EXPECT_EQ(device->Calls.back(), "CloseHandle") << c.call;
  }
}

TEST_F(Kernel32Calls, AWriteThatDoesNotTakeTheByteThrowsNine) {
  TCommPort port;
  port.Open(kernel32fake::kPortName);
  // The write time-out ends WriteFile with success and nothing written.
  device->WriteRoom = 0;
  ECommError e = ErrorOf([&] { port.SendByte(1); });
  EXPECT_EQ(e.Code, COMM_WRITE);
  EXPECT_EQ(e.SystemError, static_cast<std::uint32_t>(ERROR_TIMEOUT));
  EXPECT_TRUE(IsWriteTimeout(e));  // told in the station's words
  EXPECT_TRUE(port.IsOpen());

  device->WriteRoom = 1;
  device->Failures["WriteFile 1"] = ERROR_GEN_FAILURE;
  e = ErrorOf([&] { port.SendByte(1); });
  EXPECT_EQ(e.Code, COMM_WRITE);
  EXPECT_EQ(e.SystemError, static_cast<std::uint32_t>(ERROR_GEN_FAILURE));
  EXPECT_FALSE(IsWriteTimeout(e));
  EXPECT_TRUE(port.IsOpen());

  device->Failures.clear();
  port.SendByte(1);
}
