#include "PtyLink.h"

#include <chrono>
#include <stdexcept>

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <termios.h>
#include <unistd.h>

namespace {

void OpenRawPair(int& master, int& slave, std::string& path) {
  char name[256] = {};
  if (openpty(&master, &slave, name, nullptr, nullptr) != 0)
    throw std::runtime_error("openpty failed");
  termios mode{};
  tcgetattr(slave, &mode);
  // The default mode echoes and edits lines; the frame is binary.
  cfmakeraw(&mode);
  tcsetattr(slave, TCSANOW, &mode);
  path = name;
}

}  // namespace

TPtyLink::TPtyLink(bool relay) : relay_(relay) {
  OpenRawPair(txMaster_, txSlave_, txPath_);
  OpenRawPair(rxMaster_, rxSlave_, rxPath_);
  thread_ = std::thread([this] { Relay(); });
}

TPtyLink::~TPtyLink() {
  StopRelay();
  for (int fd : {txMaster_, txSlave_, rxMaster_, rxSlave_})
    if (fd >= 0) close(fd);
}

void TPtyLink::Relay() {
  std::uint8_t buffer[4096];
  while (!stop_.load()) {
    pollfd p{txMaster_, POLLIN, 0};
    if (poll(&p, 1, 20) <= 0 || (p.revents & POLLIN) == 0) continue;
    const ssize_t got = read(txMaster_, buffer, sizeof buffer);
    if (got <= 0 || !relay_) continue;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(rxMaster_, buffer + done, static_cast<std::size_t>(got - done));
      if (put <= 0) break;
      done += put;
    }
  }
}

void TPtyLink::StopRelay() {
  stop_.store(true);
  if (thread_.joinable()) thread_.join();
}

int TPtyLink::Queued() const {
  pollfd p{rxSlave_, POLLIN, 0};
  poll(&p, 1, 0);
  int waiting = 0;
  ioctl(rxSlave_, FIONREAD, &waiting);
  return waiting;
}

bool TPtyLink::WaitQueued(int count, int timeoutMs) const {
  const auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
  while (Queued() < count) {
    if (std::chrono::steady_clock::now() > end) return false;
    usleep(1000);
  }
  return true;
}

void TPtyLink::Inject(const std::vector<std::uint8_t>& bytes) {
  for (std::size_t done = 0; done < bytes.size();) {
    const ssize_t put = write(rxMaster_, bytes.data() + done, bytes.size() - done);
    if (put <= 0) throw std::runtime_error("writing to the receiver's line failed");
    done += static_cast<std::size_t>(put);
  }
}

void TPtyLink::HangUpTransmitter() {
  StopRelay();
  close(txMaster_);
  txMaster_ = -1;
  // The link's own slave descriptor would keep nothing alive for the writer,
  // but close it too so the line is plainly dead.
  close(txSlave_);
  txSlave_ = -1;
}
