#include "FaultLine.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <stdexcept>

namespace {

using Clock = std::chrono::steady_clock;

void MakeRaw(int fd) {
  termios mode{};
  // The default mode echoes and edits lines; the frame is binary.
  if (tcgetattr(fd, &mode) != 0) throw std::runtime_error("tcgetattr on a pty failed");
  cfmakeraw(&mode);
  if (tcsetattr(fd, TCSANOW, &mode) != 0) throw std::runtime_error("tcsetattr on a pty failed");
}

void SetNonBlocking(int fd) {
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0)
    throw std::runtime_error("fcntl on a pty failed");
}

}  // namespace

FaultLine::FaultLine() {
  char name[256] = {};
  if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0)
    throw std::runtime_error("openpty failed");
  path_ = name;
  MakeRaw(master_);
  MakeRaw(slave_);
  SetNonBlocking(master_);
  SetNonBlocking(slave_);
}

FaultLine::~FaultLine() {
  if (cutter_.joinable()) cutter_.join();
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
}

void FaultLine::SendByteByByte(const std::vector<std::uint8_t>& bytes) const {
  for (std::uint8_t byte : bytes) {
    for (;;) {
      const ssize_t put = write(master_, &byte, 1);
      if (put == 1) break;
      if (put < 0 && (errno == EINTR || errno == EAGAIN)) {
        pollfd p{master_, POLLOUT, 0};
        poll(&p, 1, 100);
        continue;
      }
      throw std::runtime_error("writing to the station's line failed");
    }
  }
}

int FaultLine::Queued() const {
  // FIONREAD lags a write until the bytes have landed; a poll lets them.
  pollfd p{slave_, POLLIN, 0};
  poll(&p, 1, 0);
  int waiting = 0;
  ioctl(slave_, FIONREAD, &waiting);
  return waiting;
}

bool FaultLine::WaitQueued(int count, int timeoutMs) const {
  const auto end = Clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Queued() < count) {
    if (Clock::now() > end) return false;
    usleep(1000);
  }
  return true;
}

std::size_t FaultLine::Fill() const {
  std::vector<std::uint8_t> block(4096, 0x55);
  std::size_t total = 0;
  // The kernel moves bytes on between its buffers (in a worker thread of its
  // own) for a while after the first refusal, later still on a busy
  // machine: the line is full once several rounds in a row take nothing.
  for (int quiet = 0; quiet < 5;) {
    bool took = false;
    for (ssize_t put; (put = write(slave_, block.data(), block.size())) > 0;) {
      total += static_cast<std::size_t>(put);
      took = true;
    }
    quiet = took ? 0 : quiet + 1;
    usleep(20'000);
  }
  return total;
}

std::size_t FaultLine::Drain() const {
  std::uint8_t buffer[4096];
  std::size_t total = 0;
  // Bytes still moving between the kernel's buffers come a moment later.
  for (int quiet = 0; quiet < 5;) {
    const ssize_t got = read(master_, buffer, sizeof buffer);
    if (got > 0) {
      total += static_cast<std::size_t>(got);
      quiet = 0;
    } else {
      ++quiet;
      usleep(10'000);
    }
  }
  return total;
}

std::vector<std::uint8_t> FaultLine::Collect(std::size_t count) const {
  std::vector<std::uint8_t> bytes;
  std::uint8_t buffer[4096];
  while (bytes.size() < count) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, 2000) <= 0) break;
    const ssize_t got = read(master_, buffer, std::min(sizeof buffer, count - bytes.size()));
    if (got <= 0) break;
    bytes.insert(bytes.end(), buffer, buffer + got);
  }
  return bytes;
}

void FaultLine::HangUp() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}

void FaultLine::CutWhenTaken() {
  cutter_ = std::thread([this] {
    const auto end = Clock::now() + std::chrono::seconds(5);
    while (Queued() > 0 && Clock::now() < end) usleep(1000);
    // The station now waits for a byte that is never coming (a read waits up
    // to 251 ms for it); cut well inside that wait.
    usleep(30'000);
    HangUp();
  });
}
