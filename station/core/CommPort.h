// CommPort.h - the stations' only access to the serial line.
//
// Interface summary
//   TCommPort port;                      closed, "COM1", 300 baud 8N1 stored
//   port.Open("COM2");                   open + fixed line values + time-outs
//   port.ChangeBaudRate(9600) ...        store; apply only when open
//   port.SendByte(b)                     one byte, within 250 + 1 ms
//   port.ReceiveByte() / Receive(buf,n)  read within the read time-outs
//   port.InputCount() / ClearInput()     the receive queue
//   port.WaitForInput(ms)                up to ms for bytes to arrive
//   port.Close()
//   DescribeCommError(e)                 a sentence for a person
//   IsWriteTimeout(e)                    a byte the line did not take in time
//   IsDeviceLost(e)                      the device went away: only a new Open helps
//
// Every failure throws ECommError by value (codes below); nothing returns an
// error code. The platform calls live behind CommPlatform.h.
#pragma once

#include <cstdint>
#include <string>

#include "CommPlatform.h"

// Error codes carried in ECommError::Code.
enum : std::uint8_t {
  COMM_BAUD_RATE = 1,     // ChangeBaudRate: the device refused the configuration
  COMM_STOP_BITS = 3,     // ChangeStopBits: as above
  COMM_PARITY = 4,        // ChangeParity: as above
  COMM_BYTE_SIZE = 5,     // ChangeByteSize: as above
  COMM_PORT_OPEN = 6,     // SetPortName on an open port
  COMM_NOT_OPEN = 7,      // an I/O operation on a closed port
  COMM_OPEN = 8,          // Open: no such device, held elsewhere, no access
  COMM_WRITE = 9,         // SendByte: the write failed or timed out
  COMM_READ = 10,         // Receive, ReceiveByte: the read failed
  COMM_CLOSE = 11,        // Close: closing the handle failed
  COMM_PURGE = 12,        // ClearInput: the purge failed
  COMM_GET_STATE = 14,    // Open: reading the device configuration failed
  COMM_SET_STATE = 15,    // Open: applying the line configuration failed
  COMM_SETUP_QUEUES = 16, // Open: setting the queue sizes failed
  COMM_TIMEOUTS = 17,     // Open: setting the time-outs failed
  COMM_STATUS = 18,       // InputCount, WaitForInput: querying the receive queue failed
};

// The error of every failed port operation: which operation failed and the
// system's own error number (errno) at the moment of construction.
class ECommError {
public:
  explicit ECommError(std::uint8_t code);
  std::uint8_t Code;
  std::uint32_t SystemError;
};

// A sentence for a person: which operation failed and why, in the system's
// words or, for a byte the line did not take in time, the station's (no
// trailing full stop or newline).
std::string DescribeCommError(const ECommError& error);

// Whether the error is a byte that the line did not take within the write
// time-out: the line is there but does not move, unlike a line that failed.
bool IsWriteTimeout(const ECommError& error);

// Whether the error is a failed I/O on an open port (a write, a read, the
// purge, the queue's status) whose system error says the device went away or
// broke (CommPlatform::IsDeviceGone): a pulled adapter, a hung-up line. The
// handle then reaches nothing any more; the same device, plugged in again,
// answers only a new Open. A time-out or a refused setting is never one.
bool IsDeviceLost(const ECommError& error);

// One serial device, opened by name with a fixed line configuration.
// Default-constructible (closed), not copyable; the destructor closes an open
// port and never throws.
class TCommPort {
public:
  // Closed, name "COM1", 300 baud, 8 data bits, no parity, one stop bit stored.
  TCommPort();
  // Closes an open port; a failure to close is swallowed.
  ~TCommPort();
  TCommPort(const TCommPort&) = delete;
  TCommPort& operator=(const TCommPort&) = delete;

  // Opens the device CommPlatform::DevicePath(portName) names, for this
  // program alone, and configures it: 19200 baud, 8 data bits, no parity,
  // two stop bits, raw, DTR high and RTS low, read time-outs 15 ms between
  // bytes and 250 ms + 1 ms per byte in all, writes 250 ms + 1 ms per byte.
  // Does nothing on an open port. Throws COMM_OPEN (no device, held
  // elsewhere, no access, modem lines refused) or COMM_GET_STATE ..
  // COMM_TIMEOUTS, the port closed and the failing step's system error kept.
  void Open(const std::string& portName);

  // Closes an open port; does nothing on a closed one. Throws COMM_CLOSE
  // when the close fails, the port still counted as open.
  void Close();

  // Stores the device name for the next Open. Throws COMM_PORT_OPEN on an
  // open port.
  void SetPortName(const std::string& portName);

  // The four change operations store the new value; on an open port they
  // also apply the whole line configuration, and when the device refuses it
  // they put the old value back and throw COMM_BAUD_RATE, COMM_BYTE_SIZE,
  // COMM_PARITY or COMM_STOP_BITS. Parity and stop-bit codes: see
  // CommLineSettings.
  void ChangeBaudRate(std::uint32_t baudRate);
  void ChangeByteSize(std::uint8_t byteSize);
  void ChangeParity(std::uint8_t parity);
  void ChangeStopBits(std::uint8_t stopBits);

  // Discards the bytes received and not yet read. Throws COMM_NOT_OPEN or
  // COMM_PURGE.
  void ClearInput();

  // Writes one byte within 251 ms. Throws COMM_NOT_OPEN or COMM_WRITE (the
  // write failed or the byte could not be sent in time).
  void SendByte(std::uint8_t value);

  // Reads up to count bytes within the read time-outs. When fewer came, a 0
  // byte is stored right after them (never past count). Throws COMM_NOT_OPEN
  // or COMM_READ (the read failed, e.g. the line hung up). Returns the
  // number read.
  std::uint32_t Receive(std::uint8_t* buffer, std::uint32_t count);

  // Reads one byte, waiting no more than 251 ms. Throws COMM_NOT_OPEN or
  // COMM_READ. Returns the byte as 0..255, or -1 when none came.
  int ReceiveByte();

  // The number of bytes waiting in the receive queue, without waiting.
  // Throws COMM_NOT_OPEN or COMM_STATUS.
  std::uint32_t InputCount();

  // Waits up to `milliseconds` for received bytes, so that a reader can
  // tell a gap inside a message from its end; returns at once when bytes
  // are waiting. Throws COMM_NOT_OPEN or COMM_STATUS. Returns true when
  // bytes (or a hang-up, which the next read reports) are waiting.
  bool WaitForInput(std::uint32_t milliseconds);

  // The state, for the windows and the tests.
  bool IsOpen() const { return FIsOpen; }
  const CommTimeouts& Timeouts() const { return FTimeouts; }
  const std::string& PortName() const { return FPortName; }
  const CommLineSettings& LineSettings() const { return FLineSettings; }

private:
  // Throw COMM_NOT_OPEN unless the port is open, COMM_PORT_OPEN unless it
  // is closed.
  void RequireOpen() const;
  void RequireClosed() const;
  // Stores `value` in `field`; on an open port applies the line and, when the
  // device refuses it, restores the field and throws `code`.
  template <typename Field>
  void ChangeSetting(Field CommLineSettings::*field, Field value, std::uint8_t code);
  // Closes the half-opened handle and throws code with the system error of
  // the step that failed, not the close's.
  [[noreturn]] void Abandon(std::uint8_t code);

  bool FIsOpen = false;
  CommTimeouts FTimeouts{};
  std::string FPortName;
  CommLineSettings FLineSettings{};
  CommHandle FHandle = COMM_NO_HANDLE;
};
