// CommPlatformPosix.cpp - the serial port's system calls on POSIX (termios).
//
// The descriptor stays non-blocking for its whole life: every wait is a
// poll() bounded by the port's time-outs, so no call can hang on a silent or
// stuck line, and the open itself cannot wait for a carrier.
#include "CommPlatform.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/file.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <string>

#include "TermiosLine.h"

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds left until deadline, rounded up so that a wait never ends
// before its time; 0 when it has passed.
int MillisecondsUntil(Clock::time_point deadline) {
  auto left = deadline - Clock::now();
  if (left <= Clock::duration::zero()) return 0;
  auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
  return static_cast<int>(std::min<long long>(ms, 1'000'000));
}

// Polls one descriptor. Returns the poll result; EINTR is retried with the
// time that is left.
int PollFor(CommHandle handle, short events, int timeoutMs, short& revents) {
  auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
  for (;;) {
    pollfd p{handle, events, 0};
    int r = poll(&p, 1, timeoutMs);
    if (r >= 0) {
      revents = p.revents;
      if (r > 0 && (p.revents & POLLNVAL) != 0) {
        errno = EBADF;
        return -1;
      }
      return r;
    }
    if (errno != EINTR) return -1;
    timeoutMs = MillisecondsUntil(deadline);
  }
}

}  // namespace

namespace CommPlatform {

std::string DevicePath(const std::string& portName) {
  if (!portName.empty() && portName.front() == '/') return portName;
  const unsigned number = ComPortNumber(portName);
  if (number == 0) return "";
  return "/dev/ttyS" + std::to_string(number - 1);
}

CommHandle Open(const std::string& path) {
  if (path.empty()) {
    errno = ENOENT;
    return COMM_NO_HANDLE;
  }
  // O_NONBLOCK: a real port without CLOCAL yet would otherwise wait for a
  // carrier here.
  int fd = ::open(path.c_str(), O_RDWR | O_NOCTTY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return COMM_NO_HANDLE;
  // TIOCEXCL turns away later opens by others (except root's); the lock
  // also turns away root and tells us when someone else holds the device.
  // A handle that is no terminal has nothing to make exclusive: GetState
  // reports it.
  int error = 0;
#ifdef TIOCEXCL
  if (ioctl(fd, TIOCEXCL) != 0 && errno != ENOTTY) error = errno;
#endif
  if (error == 0 && flock(fd, LOCK_EX | LOCK_NB) != 0) error = errno == EWOULDBLOCK ? EBUSY : errno;
  if (error != 0) {
    ::close(fd);
    errno = error;
    return COMM_NO_HANDLE;
  }
  return fd;
}

bool GetState(CommHandle handle, CommLineSettings& settings) {
  termios t{};
  if (tcgetattr(handle, &t) != 0) return false;
  DecodeTermios(t, settings);
  return true;
}

bool SetState(CommHandle handle, const CommLineSettings& settings) {
  termios before{};
  if (tcgetattr(handle, &before) != 0) return false;
  termios t = before;
  if (!MakeRawTermios(t, settings)) {
    errno = EINVAL;
    return false;
  }
  if (tcsetattr(handle, TCSANOW, &t) != 0) return false;
  // tcsetattr succeeds when any part was taken; check the driver kept what
  // matters, and put the old settings back when it did not.
  termios now{};
  if (tcgetattr(handle, &now) != 0) return false;
  if (cfgetospeed(&now) != cfgetospeed(&t) ||
      (now.c_cflag & kTermiosFormatBits) != (t.c_cflag & kTermiosFormatBits)) {
    tcsetattr(handle, TCSANOW, &before);
    errno = EINVAL;
    return false;
  }
  return true;
}

bool SetupQueues(CommHandle handle, std::uint32_t, std::uint32_t) {
  // The tty layer sizes its own buffers (4 KiB and more), which hold a frame.
  return fcntl(handle, F_GETFD) != -1;
}

bool SetTimeouts(CommHandle handle, const CommTimeouts&) {
  return fcntl(handle, F_GETFD) != -1;
}

bool EscapeFunction(CommHandle handle, std::uint32_t function) {
  int bits = 0;
  unsigned long request = 0;
  if (function == COMM_SETDTR) {
    bits = TIOCM_DTR;
    request = TIOCMBIS;
  } else if (function == COMM_CLRRTS) {
    bits = TIOCM_RTS;
    request = TIOCMBIC;
  } else {
    errno = EINVAL;
    return false;
  }
  if (ioctl(handle, request, &bits) == 0) return true;
  // Pseudo-terminals and socat links have no modem lines to drive.
  return errno == ENOTTY || errno == EINVAL;
}

bool Purge(CommHandle handle, std::uint32_t flags) {
  if ((flags & COMM_PURGE_RXCLEAR) == 0) return fcntl(handle, F_GETFD) != -1;
  return tcflush(handle, TCIFLUSH) == 0;
}

bool Write(CommHandle handle, const std::uint8_t* data, std::uint32_t count,
           const CommTimeouts& timeouts, std::uint32_t& sent) {
  sent = 0;
  const auto limit = std::chrono::milliseconds(
      std::uint64_t{timeouts.WriteTotalTimeoutConstant} +
      std::uint64_t{timeouts.WriteTotalTimeoutMultiplier} * count);
  const auto deadline = Clock::now() + limit;
  while (sent < count) {
    ssize_t r = ::write(handle, data + sent, count - sent);
    if (r > 0) {
      sent += static_cast<std::uint32_t>(r);
      continue;
    }
    if (r < 0 && errno == EINTR) continue;
    if (r < 0 && errno != EAGAIN) return false;
    // The transmit queue is full: wait for room until the time-out.
    short revents = 0;
    int p = PollFor(handle, POLLOUT, MillisecondsUntil(deadline), revents);
    if (p < 0) return false;
    if (p == 0) {
      errno = ETIMEDOUT;
      return true;
    }
  }
  return true;
}

bool Read(CommHandle handle, std::uint8_t* data, std::uint32_t count,
          const CommTimeouts& timeouts, std::uint32_t& got) {
  got = 0;
  const auto start = Clock::now();
  const auto deadline =
      start + std::chrono::milliseconds(std::uint64_t{timeouts.ReadTotalTimeoutConstant} +
                                        std::uint64_t{timeouts.ReadTotalTimeoutMultiplier} * count);
  const auto interval = std::chrono::milliseconds(timeouts.ReadIntervalTimeout);
  auto lastByte = start;
  while (got < count) {
    ssize_t r = ::read(handle, data + got, count - got);
    if (r > 0) {
      got += static_cast<std::uint32_t>(r);
      lastByte = Clock::now();
      continue;
    }
    if (r == 0) {
      // End of file on a terminal: the other end hung up. Deliver what came
      // first; the next read reports the failure.
      if (got > 0) return true;
      errno = EIO;
      return false;
    }
    if (errno == EINTR) continue;
    if (errno != EAGAIN) return false;
    auto until = deadline;
    if (got > 0 && timeouts.ReadIntervalTimeout != 0) until = std::min(until, lastByte + interval);
    int wait = MillisecondsUntil(until);
    if (wait == 0) return true;
    short revents = 0;
    int p = PollFor(handle, POLLIN, wait, revents);
    if (p < 0) return false;
    if (p == 0) return true;
  }
  return true;
}

bool QueueCount(CommHandle handle, std::uint32_t& count) {
  // FIONREAD alone lags bytes that are still on their way into the queue;
  // a poll first lets them land.
  short revents = 0;
  if (PollFor(handle, POLLIN, 0, revents) < 0) return false;
  int waiting = 0;
  if (ioctl(handle, FIONREAD, &waiting) != 0) return false;
  count = static_cast<std::uint32_t>(std::max(waiting, 0));
  return true;
}

bool WaitInput(CommHandle handle, std::uint32_t milliseconds, bool& arrived) {
  short revents = 0;
  int p = PollFor(handle, POLLIN, static_cast<int>(std::min<std::uint32_t>(milliseconds, 1'000'000)),
                  revents);
  if (p < 0) return false;
  arrived = p > 0;
  return true;
}

bool Close(CommHandle handle) {
  // Give the device back as it was found: the exclusive mark stays with the
  // terminal, not the descriptor, so on a device whose other side stays open
  // (a cable end) it would turn away the next ordinary user. The lock goes
  // with the descriptor. A device that has hung up may refuse the ioctl; the
  // close must happen all the same.
#ifdef TIOCNXCL
  ioctl(handle, TIOCNXCL);
#endif
  return ::close(handle) == 0;
}

std::uint32_t LastError() { return static_cast<std::uint32_t>(errno); }

void SetLastError(std::uint32_t error) { errno = static_cast<int>(error); }

bool IsTimeout(std::uint32_t error) { return error == static_cast<std::uint32_t>(ETIMEDOUT); }

bool IsDeviceGone(std::uint32_t error) {
  // A pulled USB adapter fails its reads, writes and ioctls with EIO (or
  // hangs up, which Read turns into EIO); a device whose driver went with it
  // answers ENXIO or ENODEV.
  return error == static_cast<std::uint32_t>(EIO) || error == static_cast<std::uint32_t>(ENXIO) ||
         error == static_cast<std::uint32_t>(ENODEV);
}

std::string ErrorText(std::uint32_t error) { return std::strerror(static_cast<int>(error)); }

}  // namespace CommPlatform
