// RefuseSpeed.cpp - an LD_PRELOAD module for the start-up fault tests: the
// serial driver refuses one line speed, as a real port refuses a rate its
// hardware cannot make.
//
//   SIG_REFUSE_SPEED=9600 LD_PRELOAD=librefuse_speed.so sigtx
//
// tcsetattr() then fails with EINVAL whenever the settings ask for that
// speed; every other call goes through to the C library unchanged.
#include <dlfcn.h>
#include <termios.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace {

using TcSetAttr = int (*)(int, int, const termios*);

speed_t RefusedSpeed() {
  const char* text = std::getenv("SIG_REFUSE_SPEED");
  if (text == nullptr) return B0;
  if (std::strcmp(text, "9600") == 0) return B9600;
  if (std::strcmp(text, "19200") == 0) return B19200;
  return B0;
}

}  // namespace

extern "C" int tcsetattr(int fd, int action, const termios* settings) {
  static const TcSetAttr next = [] {
    void* symbol = dlsym(RTLD_NEXT, "tcsetattr");
    TcSetAttr function = nullptr;
    static_assert(sizeof function == sizeof symbol);
    std::memcpy(&function, &symbol, sizeof function);
    return function;
  }();
  const speed_t refused = RefusedSpeed();
  if (settings != nullptr && refused != B0 && cfgetospeed(settings) == refused) {
    errno = EINVAL;
    return -1;
  }
  return next(fd, action, settings);
}
