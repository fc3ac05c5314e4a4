#include "CloseFault.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>

namespace {

std::mutex armedLock;
std::string armedDevice;
std::atomic<int> armed{0};

bool IsArmedDevice(int fd) {
  if (armed.load() == 0) return false;
  char name[PATH_MAX];
  if (ttyname_r(fd, name, sizeof name) != 0) return false;
  std::lock_guard<std::mutex> hold(armedLock);
  return armed.load() != 0 && armedDevice == name;
}

}  // namespace

void FailNextCloseOf(const std::string& device) {
  std::lock_guard<std::mutex> hold(armedLock);
  armedDevice = device;
  armed.store(1);
}

int CloseFaultsLeft() { return armed.load(); }

extern "C" int __real_close(int fd);

extern "C" int __wrap_close(int fd) {
  if (!IsArmedDevice(fd)) return __real_close(fd);
  armed.store(0);
  // Linux releases the descriptor even when close() fails.
  __real_close(fd);
  errno = EIO;
  return -1;
}
