// CommPlatform.h - the operating-system calls behind TCommPort.
//
// Interface summary
//   CommPlatform::ComPortNumber("COM2")              2; 0 for no COM name
//   CommPlatform::DevicePath("COM2")                 "/dev/ttyS1" on POSIX
//   CommHandle h = CommPlatform::Open(path);         COMM_NO_HANDLE on failure
//   CommPlatform::GetState(h, settings)              read the line settings
//   CommPlatform::SetState(h, settings)              apply the line settings
//   CommPlatform::SetupQueues(h, in, out)            request queue sizes
//   CommPlatform::SetTimeouts(h, timeouts)           accept the time-outs
//   CommPlatform::EscapeFunction(h, COMM_SETDTR)     drive a modem line
//   CommPlatform::Purge(h, COMM_PURGE_RXCLEAR)       drop the receive queue
//   CommPlatform::Write(h, data, n, timeouts, sent)  write within the time-out
//   CommPlatform::Read(h, data, n, timeouts, got)    read within the time-outs
//   CommPlatform::QueueCount(h, count)               bytes waiting
//   CommPlatform::WaitInput(h, ms, arrived)          wait for bytes to arrive
//   CommPlatform::Close(h)
//   CommPlatform::LastError() / SetLastError(e)     the system's error number
//   CommPlatform::IsTimeout(e)                       e is a write's time-out
//   CommPlatform::IsDeviceGone(e)                    e says the device went away
//   CommPlatform::ErrorText(e)                       its text for a person
//   CommPlatform::ListPorts()                        the serial ports this machine has
//   CommPlatform::PortFolders() / IsPortChange(msg)  what tells of a port plugged or pulled
//
// One small function per system call that the port class needs, two files
// per platform: the port's calls in CommPlatformPosix.cpp (termios) and
// CommPlatformWin32.cpp (the communications functions of kernel32), the
// machine's ports in CommPortListPosix.cpp and CommPortListWin32.cpp;
// ComPortNumber alone is shared, in CommPlatform.cpp. Every function that does I/O returns true on success
// and false on failure, with the reason left in LastError(). Nothing here
// throws.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#ifdef _WIN32
// The device handle: a Win32 HANDLE, kept as an integer so that this header
// needs no <windows.h>; INVALID_HANDLE_VALUE is -1.
using CommHandle = std::intptr_t;
#else
// The device handle: a file descriptor on POSIX.
using CommHandle = int;
#endif
inline constexpr CommHandle COMM_NO_HANDLE = -1;

// Time-outs in milliseconds, in the order and with the meaning of the
// classic communications time-out record: a read of n bytes ends after
// ReadIntervalTimeout between two bytes (once the first came) or after
// ReadTotalTimeoutConstant + n * ReadTotalTimeoutMultiplier in all; a write of
// n bytes is given WriteTotalTimeoutConstant + n * WriteTotalTimeoutMultiplier.
struct CommTimeouts {
  std::uint32_t ReadIntervalTimeout = 0;
  std::uint32_t ReadTotalTimeoutMultiplier = 0;
  std::uint32_t ReadTotalTimeoutConstant = 0;
  std::uint32_t WriteTotalTimeoutMultiplier = 0;
  std::uint32_t WriteTotalTimeoutConstant = 0;
};

// The line settings the port class reads and writes. Parity: 0 none, 1 odd,
// 2 even, 3 mark, 4 space. StopBits: 0 one, 1 one and a half, 2 two.
// Everything else about the line (raw 8-bit, receiver on, no flow control)
// is fixed by the platform layer.
struct CommLineSettings {
  std::uint32_t DCBlength = 0;
  std::uint32_t BaudRate = 0;
  std::uint8_t ByteSize = 0;
  std::uint8_t Parity = 0;
  std::uint8_t StopBits = 0;
#ifdef _WIN32
  // The device's whole DCB (28 bytes) as GetState read it. SetState hands it
  // back with the four values above and a transparent 8-bit line, so every
  // other setting stays the device's own.
  std::array<std::uint32_t, 7> Device{};
#endif
};

// A serial port of this machine, for a person choosing one.
struct CommPortInfo {
  std::string Device;       // what to open: "/dev/ttyUSB0", "COM4"
  std::string Description;  // what the system knows of it; may be empty
  bool operator==(const CommPortInfo&) const = default;
};

// A device of Windows' Setup API, class "Ports (COM & LPT)".
struct CommDeviceRecord {
  std::string PortName;      // the value "PortName" of its device key: "COM5", "LPT1"
  std::string FriendlyName;  // as Device Manager shows it: "USB-SERIAL CH340 (COM5)"; may be empty
};

// Modem-line requests for EscapeFunction.
inline constexpr std::uint32_t COMM_CLRRTS = 4;
inline constexpr std::uint32_t COMM_SETDTR = 5;
// Purge request for Purge: the receive queue only.
inline constexpr std::uint32_t COMM_PURGE_RXCLEAR = 8;

namespace CommPlatform {

// The one rule for COM names, the same on every platform: "COM" in any
// letter case (as Windows reads device names) followed by a number 1..256
// without leading zeros. Returns that number, or 0 when the name is no COM
// name ("COM0", "COM02", "COM257", "COMx", "").
unsigned ComPortNumber(const std::string& portName);

// The device a port name stands for. POSIX: "COMn" -> "/dev/ttyS<n-1>", a
// name beginning with "/" unchanged, anything else "" (which Open refuses
// with ENOENT). Windows: "COMn" -> "\\.\COMn", the one form that also
// reaches COM10 and above; any other name as it is.
std::string DevicePath(const std::string& portName);

// Opens the device at devicePath, for reading and writing, for this program
// alone (held elsewhere fails with EBUSY; ERROR_ACCESS_DENIED on Windows).
// Returns the handle, or COMM_NO_HANDLE.
CommHandle Open(const std::string& devicePath);

// Reads the device's speed, data bits, parity and stop bits into settings
// (DCBlength is left alone).
bool GetState(CommHandle handle, CommLineSettings& settings);

// Applies settings as a raw 8-bit line and checks that the driver really
// took them; a value the line cannot carry fails with EINVAL and leaves the
// device as it was.
bool SetState(CommHandle handle, const CommLineSettings& settings);

// Asks for receive and transmit queue sizes. Returns true (POSIX drivers
// size their own queues, so the request has no effect).
bool SetupQueues(CommHandle handle, std::uint32_t inputSize, std::uint32_t outputSize);

// Accepts the time-outs for the handle. Returns true when the handle is
// valid (on POSIX the time-outs are applied by Read and Write themselves).
bool SetTimeouts(CommHandle handle, const CommTimeouts& timeouts);

// Raises DTR (COMM_SETDTR) or lowers RTS (COMM_CLRRTS). A device without
// modem-control lines has nothing to drive and succeeds.
bool EscapeFunction(CommHandle handle, std::uint32_t function);

// Discards what the flags name (COMM_PURGE_RXCLEAR: bytes received and not
// yet read).
bool Purge(CommHandle handle, std::uint32_t flags);

// Writes up to count bytes within the write time-out; sent tells how many
// went out (fewer when the time-out ended it: no failure, but the error
// IsTimeout names left as the last error).
bool Write(CommHandle handle, const std::uint8_t* data, std::uint32_t count,
           const CommTimeouts& timeouts, std::uint32_t& sent);

// Reads up to count bytes within the read time-outs; got tells how many
// came, possibly 0 (a time-out is no failure). A line that has hung up fails
// with EIO once no byte is left.
bool Read(CommHandle handle, std::uint8_t* data, std::uint32_t count,
          const CommTimeouts& timeouts, std::uint32_t& got);

// Puts the number of bytes waiting in the receive queue into count.
bool QueueCount(CommHandle handle, std::uint32_t& count);

// Waits up to milliseconds for received bytes; arrived tells whether bytes
// (or a hang-up, which the next read reports) are waiting. Fails only when
// the wait itself failed.
bool WaitInput(CommHandle handle, std::uint32_t milliseconds, bool& arrived);

// Closes the handle. The handle is released even when this fails.
bool Close(CommHandle handle);

// The calling thread's last system error number (errno on POSIX,
// GetLastError() on Windows).
std::uint32_t LastError();

// Sets the calling thread's last system error number, so that a cause saved
// across a clean-up call can be put back.
void SetLastError(std::uint32_t error);

// Whether the error number is the one Write leaves when its time-out ended
// it (ETIMEDOUT on POSIX, ERROR_TIMEOUT on Windows).
bool IsTimeout(std::uint32_t error);

// Whether the error number of a failed I/O on an open port says the device
// itself went away or broke, so that only a new open can reach it again: on
// POSIX EIO (also a hang-up, which Read reports as EIO), ENXIO, ENODEV; on
// Windows the errors a pulled USB adapter's driver gives (see
// CommPlatformWin32.cpp). A time-out is never one.
bool IsDeviceGone(std::uint32_t error);

// The system's own text for an error number (strerror, FormatMessage), in
// UTF-8 and without a trailing full stop or line break.
std::string ErrorText(std::uint32_t error);

// The serial ports this machine has, in a stable order, for the advice after
// a failed start. Linux: the devices of /sys/class/tty that are real ports,
// each followed by its /dev/serial/by-id/ names, with the adapter's name as
// udev recorded it. Windows: ListPortsOf(PortDevices(), the ports in
// HKLM\HARDWARE\DEVICEMAP\SERIALCOMM).
std::vector<CommPortInfo> ListPorts();

// Windows' port list from the Setup API's devices and the device map: each
// device with a COM name, described by its friendly name ("USB-SERIAL CH340
// (COM5)", as Device Manager shows it); then the device map's ports that no
// device names (virtual pairs), described by their driver's device name
// ("\Device\Serial0"); in counting order. Plain data, so any platform's
// tests can give it made-up records.
std::vector<CommPortInfo> ListPortsOf(const std::vector<CommDeviceRecord>& devices,
                                      const std::vector<CommPortInfo>& deviceMap);

// The folders whose entries change when a port is plugged in or pulled out:
// on Linux /dev, /dev/serial and /dev/serial/by-id (an inotify watch on them
// costs nothing while nothing changes); none on Windows, which tells windows
// of device changes instead.
std::vector<std::string> PortFolders();

// Whether a message a window received (on Windows a MSG) tells that a device
// came or went: WM_DEVICECHANGE, which the system sends every top-level
// window. Always false elsewhere.
bool IsPortChange(const void* message);

#ifdef _WIN32
// ListPorts over the values of `subkey` under `root`, an open registry key
// (an HKEY: HKEY_LOCAL_MACHINE for ListPorts, another in the tests).
std::vector<CommPortInfo> ListPortsInRegistry(std::intptr_t root, const std::string& subkey);

// The devices of the Setup API's Ports class that are present.
std::vector<CommDeviceRecord> PortDevices();
#else
// ListPorts on a machine whose /sys, /dev and /run/udev are the folders
// given ("/sys", "/dev", "/run/udev" for ListPorts; a made-up machine in the
// tests).
std::vector<CommPortInfo> ListPortsUnder(const std::string& sysRoot, const std::string& devRoot,
                                         const std::string& udevRoot);
#endif

}  // namespace CommPlatform
