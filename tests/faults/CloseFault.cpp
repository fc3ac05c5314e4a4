#include "CloseFault.h"

#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <mutex>
#include <string>

namespace {

std::mutex armedLock;
std::string armedDevice;
std::atomic<int> armed{0};

// Any file, not only a terminal: an abandoned open closes a plain file too.
bool IsArmedDevice(int fd) {
  if (armed.load() == 0) return false;
  char name[PATH_MAX];
  const std::string link = "/proc/self/fd/" + std::to_string(fd);
  const ssize_t length = readlink(link.c_str(), name, sizeof name - 1);
  if (length < 0) return false;
  name[length] = '\0';
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
