#include "End.h"

#include <cerrno>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <string.h>
#include <system_error>
#include <unistd.h>

namespace {

[[noreturn]] void Fail(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

}  // namespace

End::End() {
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (master_ < 0) Fail("cannot open a pseudo-terminal");
  if (grantpt(master_) != 0 || unlockpt(master_) != 0) {
    const int saved = errno;
    close(master_);
    errno = saved;
    Fail("cannot unlock a pseudo-terminal");
  }
  char name[128];
  if (ptsname_r(master_, name, sizeof name) != 0) {
    const int saved = errno;
    close(master_);
    errno = saved;
    Fail("cannot name a pseudo-terminal");
  }
  path_ = name;

  const int slave = open(name, O_RDWR | O_NOCTTY | O_CLOEXEC);
  termios settings{};
  if (slave < 0 || tcgetattr(slave, &settings) != 0) {
    const int saved = errno;
    if (slave >= 0) close(slave);
    close(master_);
    errno = saved;
    Fail("cannot set up " + path_);
  }
  cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
  cfsetispeed(&settings, B9600);
  cfsetospeed(&settings, B9600);
  const int set = tcsetattr(slave, TCSANOW, &settings);
  const int saved = errno;
  close(slave);
  if (set != 0) {
    close(master_);
    errno = saved;
    Fail("cannot set up " + path_);
  }
}

End::~End() {
  if (master_ >= 0) close(master_);
}

void End::Pull() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}

End::State End::Status() const {
  pollfd p{master_, POLLIN, 0};
  if (poll(&p, 1, 0) < 0) return {true, false};
  return {(p.revents & POLLHUP) == 0, (p.revents & POLLIN) != 0};
}

LineFormat End::Format() const {
  // On a master, the terminal calls act on the slave's settings.
  return ReadLineFormat(master_);
}

void End::DiscardUnread() const {
  const int slave = open(path_.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (slave < 0) return;
  tcflush(slave, TCIFLUSH);
  close(slave);
}
