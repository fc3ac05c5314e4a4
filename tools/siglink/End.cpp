#include "End.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <stdexcept>
#include <string.h>
#include <sys/inotify.h>
#include <system_error>
#include <unistd.h>

namespace {

constexpr int kSlaveFlags = O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK;

}  // namespace

End::End() {
  // Closes what is open so far and throws with the errno of the failure.
  const auto fail = [this](const std::string& what) {
    const int saved = errno;
    for (int fd : {watch_, line_, master_})
      if (fd >= 0) close(fd);
    throw std::system_error(saved, std::generic_category(), what);
  };
  master_ = posix_openpt(O_RDWR | O_NOCTTY | O_CLOEXEC | O_NONBLOCK);
  if (master_ < 0) fail("cannot open a pseudo-terminal");
  if (grantpt(master_) != 0 || unlockpt(master_) != 0) fail("cannot unlock a pseudo-terminal");
  char name[128];
  if (ptsname_r(master_, name, sizeof name) != 0) fail("cannot name a pseudo-terminal");
  path_ = name;

  line_ = open(name, kSlaveFlags);
  termios settings{};
  if (line_ < 0 || tcgetattr(line_, &settings) != 0) fail("cannot set up " + path_);
  cfmakeraw(&settings);
  settings.c_cflag |= CLOCAL | CREAD;
  settings.c_cc[VMIN] = 1;
  settings.c_cc[VTIME] = 0;
  cfsetispeed(&settings, B9600);
  cfsetospeed(&settings, B9600);
  if (tcsetattr(line_, TCSANOW, &settings) != 0) fail("cannot set up " + path_);

  // Watched only now: the relay's own open is not among the events.
  watch_ = inotify_init1(IN_NONBLOCK | IN_CLOEXEC);
  if (watch_ < 0 || inotify_add_watch(watch_, name, IN_OPEN | IN_CLOSE) < 0)
    fail("cannot watch " + path_);
}

End::~End() { Pull(); }

void End::Pull() {
  for (int* fd : {&master_, &line_, &watch_}) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
  }
}

bool End::Notice() {
  if (watch_ < 0) return false;
  alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
  bool any = false;
  for (;;) {
    const ssize_t got = read(watch_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return any;
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      // Opens and last closes pair up per open file, whoever made it and
      // through whichever path. (The kernel queues 16384 events before it
      // drops any; the relay reads them as they come.)
      const int before = holders_;
      if ((event->mask & IN_OPEN) != 0) ++holders_;
      if ((event->mask & IN_CLOSE) != 0) --holders_;
      // The last program let go: what it left unread goes with it, even
      // when the next one has opened the end since.
      if (before > 0 && holders_ <= 0) DiscardUnread();
      any = true;
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
    }
    // A program that hung the terminal up (vhangup) took the relay's hold
    // with it; the next open or close is the chance to take a fresh one.
    termios settings{};
    if (line_ < 0 || tcgetattr(line_, &settings) != 0) Rejoin();
  }
}

bool End::Rejoin() {
  if (Pulled()) return false;
  // The relay's own close and open are events too; counted ahead here, they
  // cancel out when Notice reads them.
  if (line_ >= 0) {
    close(line_);
    ++holders_;
  }
  line_ = open(path_.c_str(), kSlaveFlags);
  if (line_ < 0) return false;
  --holders_;
  if (stopped_) tcflow(line_, TCOOFF);
  return true;
}

LineFormat End::Format() const {
  // On a master, the terminal calls act on the slave's settings.
  return ReadLineFormat(master_);
}

void End::DiscardUnread() const {
  if (line_ >= 0) tcflush(line_, TCIFLUSH);
}

void End::HoldBack(bool stop) {
  if (stop == stopped_) return;
  stopped_ = stop;
  // A hung-up descriptor refuses; Rejoin applies the state anew.
  if (line_ >= 0) tcflow(line_, stop ? TCOOFF : TCOON);
}
