// CommPort.h - the stations' only access to the serial line.
//
// Interface summary
//   TCommPort port;                      closed, "COM1", 300 baud 8N1 stored
//   port.Open("COM2");                   open + fixed line values + time-outs
//   port.ChangeBaudRate(9600) ...        store; apply only when open
//   port.SendByte(b)                     one byte, within 250 + 1 ms
//   port.ReceiveByte() / Receive(buf,n)  read within the read time-outs
//   port.InputCount() / ClearInput()     the receive queue
//   port.WaitForInput()                  up to 15 ms for bytes to arrive
//   port.Close()
//   DescribeCommError(e)                 a sentence for a person
//
// Every failure throws ECommError by value (codes below); nothing returns an
// error code. The platform calls live in one file of their own
// (CommPlatform.h and its POSIX implementation).
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

// A sentence for a person: which operation failed and the system's error
// text. Returns it (no trailing full stop or newline).
std::string DescribeCommError(const ECommError& error);

// The device path for a port name: "COMn" -> "/dev/ttyS<n-1>", a name that
// begins with "/" unchanged, anything else "". Returns the path.
std::string DevicePathFor(const std::string& portName);

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

  // Opens the device for this program alone and configures it: 19200 baud,
  // 8 data bits, no parity, two stop bits, raw, DTR high and RTS low, read
  // time-outs 15 ms between bytes and 250 ms + 1 ms per byte in all, writes
  // 250 ms + 1 ms per byte. Does nothing on an open port. Throws code 8 (no
  // device, held elsewhere, no access, modem lines refused) or 14..17, the
  // port closed. Returns nothing.
  void Open(const std::string& portName);

  // Closes an open port; does nothing on a closed one. Throws code 11 when
  // the close fails, the port still counted as open. Returns nothing.
  void Close();

  // Stores the device name for the next Open. Throws code 6 on an open port.
  // Returns nothing.
  void SetPortName(const std::string& portName);

  // The four change operations store the new value; on an open port they
  // also apply the whole line configuration, and when the device refuses it
  // they put the old value back and throw 1 (baud), 5 (data bits), 4
  // (parity) or 3 (stop bits). Parity and stop-bit codes: see
  // CommLineSettings. Return nothing.
  void ChangeBaudRate(std::uint32_t baudRate);
  void ChangeByteSize(std::uint8_t byteSize);
  void ChangeParity(std::uint8_t parity);
  void ChangeStopBits(std::uint8_t stopBits);

  // Discards the bytes received and not yet read. Throws 7 (closed) or 12.
  // Returns nothing.
  void ClearInput();

  // Writes one byte within 251 ms. Throws 7 (closed) or 9 (the write failed
  // or the byte could not be sent in time). Returns nothing.
  void SendByte(std::uint8_t value);

  // Reads up to count bytes within the read time-outs. When fewer came, a 0
  // byte is stored right after them (never past count). Throws 7 (closed)
  // or 10 (the read failed, e.g. the line hung up). Returns the number read.
  std::uint32_t Receive(std::uint8_t* buffer, std::uint32_t count);

  // Reads one byte, waiting no more than 251 ms. Throws 7 or 10. Returns the
  // byte as 0..255, or -1 when none came.
  int ReceiveByte();

  // Throws 7 (closed) or 18. Returns the number of bytes waiting in the
  // receive queue, without waiting.
  std::uint32_t InputCount();

  // Waits up to the inter-byte time-out (15 ms after Open) for received
  // bytes, so that a reader can tell a gap between two bytes of a message
  // from its end. Throws 7 (closed) or 18. Returns true when bytes (or a
  // hang-up, which the next read reports) are waiting.
  bool WaitForInput();

  // Return the state, for the windows and the tests.
  bool IsOpen() const { return FIsOpen; }
  const CommTimeouts& Timeouts() const { return FTimeouts; }
  const std::string& PortName() const { return FPortName; }
  const CommLineSettings& LineSettings() const { return FLineSettings; }

private:
  // Throw 7 unless the port is open, 6 unless it is closed. Return nothing.
  void RequireOpen() const;
  void RequireClosed() const;
  // Stores `value` in `field`; on an open port applies the line and, when the
  // device refuses it, restores the field and throws `code`. Returns nothing.
  template <typename Field>
  void ChangeSetting(Field CommLineSettings::*field, Field value, std::uint8_t code);
  // Closes the half-opened handle and throws code. Returns never.
  [[noreturn]] void Abandon(std::uint8_t code);

  bool FIsOpen = false;
  CommTimeouts FTimeouts{};
  std::string FPortName;
  CommLineSettings FLineSettings{};
  CommHandle FHandle = COMM_NO_HANDLE;
};
