// CommPort.h - the stations' only access to the serial line.
//
// Interface summary
//   TCommPort port;                      closed, "COM1", 300 baud 8N1 stored
//   port.Open("COM2");                   open + fixed line values + time-outs
//   port.ChangeBaudRate(9600) ...        store; apply only when open
//   port.SendByte(b)                     one byte, within 250 + 1 ms
//   port.ReceiveByte() / Receive(buf,n)  read within the read time-outs
//   port.InputCount() / ClearInput()     the receive queue
//   port.Close()
//   DescribeCommError(e)                 a sentence for a person
//
// Every failure throws ECommError by value (codes below); nothing returns an
// error code. The platform calls live in one file of their own
// (CommPlatform.h and its POSIX implementation).
//
// TODO(serial): the serial issue fills in the private part and the platform file.
#pragma once

#include <cstdint>
#include <string>

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
  COMM_STATUS = 18,       // InputCount: querying the device status failed
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
