// PtyPair.cpp - the pseudo-terminal pair of the port tests.
#include "PtyPair.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace {

void MakeRaw(int fd) {
  termios t{};
  ASSERT_EQ(tcgetattr(fd, &t), 0) << std::strerror(errno);
  cfmakeraw(&t);
  ASSERT_EQ(tcsetattr(fd, TCSANOW, &t), 0) << std::strerror(errno);
}

}  // namespace

PtyPair::PtyPair() {
  char name[256] = {};
  if (openpty(&FMaster, &FSlave, name, nullptr, nullptr) != 0) {
    ADD_FAILURE() << "openpty: " << std::strerror(errno);
    return;
  }
  FSlavePath = name;
  // The default mode echoes and translates: raw on both ends before any byte.
  MakeRaw(FMaster);
  MakeRaw(FSlave);
}

PtyPair::~PtyPair() {
  if (FMaster >= 0) close(FMaster);
  if (FSlave >= 0) close(FSlave);
}

void PtyPair::Send(const std::vector<std::uint8_t>& bytes) const {
  std::size_t done = 0;
  while (done < bytes.size()) {
    ssize_t r = write(FMaster, bytes.data() + done, bytes.size() - done);
    if (r < 0 && errno == EINTR) continue;
    ASSERT_GT(r, 0) << std::strerror(errno);
    done += static_cast<std::size_t>(r);
  }
}

std::vector<std::uint8_t> PtyPair::Collect(std::size_t count, int timeoutMs) const {
  std::vector<std::uint8_t> bytes;
  while (bytes.size() < count) {
    pollfd p{FMaster, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0) break;
    std::uint8_t chunk[4096];
    ssize_t r = read(FMaster, chunk, std::min(sizeof chunk, count - bytes.size()));
    if (r <= 0) break;
    bytes.insert(bytes.end(), chunk, chunk + r);
  }
  return bytes;
}

void PtyPair::HangUp() {
  close(FMaster);
  FMaster = -1;
}
