// CommPort.cpp - TCommPort, ECommError and the sentence for a person.
#include "CommPort.h"

namespace {

// The line values every Open forces, whatever was stored before.
constexpr std::uint32_t kOpenBaudRate = 19200;
constexpr std::uint8_t kOpenParity = 0;
constexpr std::uint8_t kOpenStopBits = 2;
constexpr std::uint8_t kOpenByteSize = 8;
// Queue sizes asked for: the receive queue holds a frame many times over.
constexpr std::uint32_t kInputQueueSize = 32768;
constexpr std::uint32_t kOutputQueueSize = 9216;
// 15 ms between bytes (one byte takes about 1.04 ms at 9600 baud), 250 ms
// plus 1 ms per byte in all, for reads and writes alike.
constexpr CommTimeouts kOpenTimeouts{15, 1, 250, 1, 250};

const char* OperationOf(std::uint8_t code) {
  switch (code) {
    case COMM_BAUD_RATE: return "Changing the baud rate failed";
    case COMM_STOP_BITS: return "Changing the stop bits failed";
    case COMM_PARITY: return "Changing the parity failed";
    case COMM_BYTE_SIZE: return "Changing the data bits failed";
    case COMM_PORT_OPEN: return "Changing the port name failed";
    case COMM_NOT_OPEN: return "Using the serial port failed";
    case COMM_OPEN: return "Opening the serial port failed";
    case COMM_WRITE: return "Sending a byte failed";
    case COMM_READ: return "Reading from the serial port failed";
    case COMM_CLOSE: return "Closing the serial port failed";
    case COMM_PURGE: return "Clearing the receive queue failed";
    case COMM_GET_STATE: return "Reading the serial port's configuration failed";
    case COMM_SET_STATE: return "Configuring the serial line failed";
    case COMM_SETUP_QUEUES: return "Setting the serial port's queue sizes failed";
    case COMM_TIMEOUTS: return "Setting the serial port's time-outs failed";
    case COMM_STATUS: return "Querying the receive queue failed";
    default: return nullptr;
  }
}

}  // namespace

ECommError::ECommError(std::uint8_t code) : Code(code), SystemError(CommPlatform::LastError()) {}

std::string DescribeCommError(const ECommError& error) {
  const char* operation = OperationOf(error.Code);
  std::string text = operation != nullptr
                         ? std::string(operation)
                         : "Serial port error " + std::to_string(error.Code);
  // COMM_PORT_OPEN and COMM_NOT_OPEN are the class's own refusals: the
  // system error number is whatever the thread last had and would mislead.
  if (error.Code == COMM_PORT_OPEN) return text + ": the port is open";
  if (error.Code == COMM_NOT_OPEN) return text + ": the port is not open";
  // The system's "timed out" does not say what waited: a byte for the line.
  if (IsWriteTimeout(error)) {
    const std::uint32_t limit = kOpenTimeouts.WriteTotalTimeoutConstant +
                                kOpenTimeouts.WriteTotalTimeoutMultiplier;  // one byte
    return text + ": the line did not take the byte within " + std::to_string(limit) + " ms";
  }
  if (error.SystemError == 0) return text;
  return text + ": " + CommPlatform::ErrorText(error.SystemError);
}

bool IsWriteTimeout(const ECommError& error) {
  return error.Code == COMM_WRITE && CommPlatform::IsTimeout(error.SystemError);
}

bool IsDeviceLost(const ECommError& error) {
  switch (error.Code) {
    case COMM_WRITE:
    case COMM_READ:
    case COMM_PURGE:
    case COMM_STATUS:
      return CommPlatform::IsDeviceGone(error.SystemError);
    default:
      return false;
  }
}

TCommPort::TCommPort() : FPortName("COM1") {
  FLineSettings.DCBlength = 28;
  FLineSettings.BaudRate = 300;
  FLineSettings.ByteSize = 8;
  FLineSettings.Parity = 0;
  FLineSettings.StopBits = 0;
}

TCommPort::~TCommPort() {
  try {
    Close();
  } catch (const ECommError&) {
    // Nobody is left to tell: the handle is released either way.
  }
}

void TCommPort::RequireOpen() const {
  if (!FIsOpen) throw ECommError(COMM_NOT_OPEN);
}

void TCommPort::RequireClosed() const {
  if (FIsOpen) throw ECommError(COMM_PORT_OPEN);
}

void TCommPort::Abandon(std::uint8_t code) {
  // A failing close would overwrite the cause the error is to report.
  const std::uint32_t cause = CommPlatform::LastError();
  CommPlatform::Close(FHandle);  // its result does not matter: the open failed anyway
  FHandle = COMM_NO_HANDLE;
  CommPlatform::SetLastError(cause);
  throw ECommError(code);
}

void TCommPort::Open(const std::string& portName) {
  if (FIsOpen) return;
  SetPortName(portName);
  ChangeBaudRate(kOpenBaudRate);
  ChangeParity(kOpenParity);
  ChangeStopBits(kOpenStopBits);
  ChangeByteSize(kOpenByteSize);
  const CommLineSettings forced = FLineSettings;

  FHandle = CommPlatform::Open(CommPlatform::DevicePath(FPortName));
  if (FHandle == COMM_NO_HANDLE) throw ECommError(COMM_OPEN);
  if (!CommPlatform::GetState(FHandle, FLineSettings)) Abandon(COMM_GET_STATE);
  FLineSettings.BaudRate = forced.BaudRate;
  FLineSettings.ByteSize = forced.ByteSize;
  FLineSettings.Parity = forced.Parity;
  FLineSettings.StopBits = forced.StopBits;
  if (!CommPlatform::SetState(FHandle, FLineSettings)) Abandon(COMM_SET_STATE);
  if (!CommPlatform::SetupQueues(FHandle, kInputQueueSize, kOutputQueueSize))
    Abandon(COMM_SETUP_QUEUES);
  FTimeouts = kOpenTimeouts;
  if (!CommPlatform::SetTimeouts(FHandle, FTimeouts)) Abandon(COMM_TIMEOUTS);
  // A refused modem line leaves a device we cannot trust: give it up before
  // the second request.
  if (!CommPlatform::EscapeFunction(FHandle, COMM_SETDTR)) Abandon(COMM_OPEN);
  if (!CommPlatform::EscapeFunction(FHandle, COMM_CLRRTS)) Abandon(COMM_OPEN);
  FIsOpen = true;
}

void TCommPort::Close() {
  if (!FIsOpen) return;
  if (FHandle != COMM_NO_HANDLE) {
    // POSIX releases the descriptor even when close() fails, and its number
    // may soon belong to another file: never hand it to the system again.
    const CommHandle handle = FHandle;
    FHandle = COMM_NO_HANDLE;
    if (!CommPlatform::Close(handle)) throw ECommError(COMM_CLOSE);
  }
  FIsOpen = false;
}

void TCommPort::SetPortName(const std::string& portName) {
  RequireClosed();
  FPortName = portName;
}

template <typename Field>
void TCommPort::ChangeSetting(Field CommLineSettings::*field, Field value, std::uint8_t code) {
  const Field previous = FLineSettings.*field;
  FLineSettings.*field = value;
  if (!FIsOpen) return;
  if (CommPlatform::SetState(FHandle, FLineSettings)) return;
  FLineSettings.*field = previous;
  throw ECommError(code);
}

void TCommPort::ChangeBaudRate(std::uint32_t baudRate) {
  ChangeSetting(&CommLineSettings::BaudRate, baudRate, COMM_BAUD_RATE);
}

void TCommPort::ChangeByteSize(std::uint8_t byteSize) {
  ChangeSetting(&CommLineSettings::ByteSize, byteSize, COMM_BYTE_SIZE);
}

void TCommPort::ChangeParity(std::uint8_t parity) {
  ChangeSetting(&CommLineSettings::Parity, parity, COMM_PARITY);
}

void TCommPort::ChangeStopBits(std::uint8_t stopBits) {
  ChangeSetting(&CommLineSettings::StopBits, stopBits, COMM_STOP_BITS);
}

void TCommPort::ClearInput() {
  RequireOpen();
  if (!CommPlatform::Purge(FHandle, COMM_PURGE_RXCLEAR)) throw ECommError(COMM_PURGE);
}

void TCommPort::SendByte(std::uint8_t value) {
  RequireOpen();
  std::uint32_t sent = 0;
  if (!CommPlatform::Write(FHandle, &value, 1, FTimeouts, sent)) throw ECommError(COMM_WRITE);
  // A byte that did not go out within the time-out is a failed write too:
  // otherwise a stuck line sends nothing and the run reports success.
  if (sent != 1) throw ECommError(COMM_WRITE);
}

std::uint32_t TCommPort::Receive(std::uint8_t* buffer, std::uint32_t count) {
  RequireOpen();
  std::uint32_t got = 0;
  if (!CommPlatform::Read(FHandle, buffer, count, FTimeouts, got)) throw ECommError(COMM_READ);
  if (got < count) buffer[got] = 0;
  return got;
}

int TCommPort::ReceiveByte() {
  RequireOpen();
  std::uint8_t value = 0;
  std::uint32_t got = 0;
  if (!CommPlatform::Read(FHandle, &value, 1, FTimeouts, got)) throw ECommError(COMM_READ);
  return got == 0 ? -1 : value;
}

std::uint32_t TCommPort::InputCount() {
  RequireOpen();
  std::uint32_t count = 0;
  if (!CommPlatform::QueueCount(FHandle, count)) throw ECommError(COMM_STATUS);
  return count;
}

bool TCommPort::WaitForInput(std::uint32_t milliseconds) {
  RequireOpen();
  bool arrived = false;
  if (!CommPlatform::WaitInput(FHandle, milliseconds, arrived))
    throw ECommError(COMM_STATUS);
  return arrived;
}
