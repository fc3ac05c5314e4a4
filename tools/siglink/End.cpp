#include "End.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <iterator>
#include <poll.h>
#include <stdexcept>
#include <string.h>
#include <sys/inotify.h>
#include <system_error>
#include <unistd.h>

#include "TermiosLine.h"

namespace {

// Read-only, so that the relay's own closes are told apart from the
// programs' (which open their ports read-write) more often than not.
constexpr int kSlaveFlags = O_RDONLY | O_NOCTTY | O_CLOEXEC | O_NONBLOCK;

// What an end is set to before any program sets it: 9600 8N1.
constexpr CommLineSettings kFirstLine{.BaudRate = 9600, .ByteSize = 8, .Parity = 0, .StopBits = 0};

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
  if (line_ < 0 || tcgetattr(line_, &settings) != 0 || !MakeRawTermios(settings, kFirstLine) ||
      tcsetattr(line_, TCSANOW, &settings) != 0)
    fail("cannot set up " + path_);

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

bool End::Notice(TimePoint now) {
  if (watch_ < 0) return false;
  bool any = false;
  for (;;) {
    any = TakeEvents(now) || any;
    if (any && RelayHungUp()) LookFrom(now);
    if (nextLook_ > now) return any;
    // Queues the relay's own close and open, which TakeEvents passes over.
    LookAgain(now);
  }
}

bool End::TakeEvents(TimePoint now) {
  alignas(inotify_event) char buffer[16 * (sizeof(inotify_event) + NAME_MAX + 1)];
  bool any = false;
  for (;;) {
    const ssize_t got = read(watch_, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) return any;
    for (ssize_t at = 0; at < got;) {
      const auto* event = reinterpret_cast<const inotify_event*>(buffer + at);
      at += static_cast<ssize_t>(sizeof(inotify_event) + event->len);
      any = true;
      TakeEvent(event->mask, now);
    }
  }
}

void End::TakeEvent(std::uint32_t mask, TimePoint now) {
  if ((mask & IN_Q_OVERFLOW) != 0) {
    // Events were dropped: none of the relay's own is sure to come.
    ownOpens_ = ownCloses_ = 0;
    LookFrom(now);
  } else if ((mask & IN_OPEN) != 0) {
    if (ownOpens_ > 0) {
      --ownOpens_;
    } else {
      held_ = true;
    }
  } else if ((mask & IN_CLOSE_NOWRITE) != 0 && ownCloses_ > 0) {
    --ownCloses_;
  } else if ((mask & IN_CLOSE) != 0) {
    LookFrom(now);
  }
}

bool End::RelayHungUp() const {
  termios settings{};
  return line_ >= 0 && tcgetattr(line_, &settings) != 0;
}

void End::LookFrom(TimePoint now) {
  lookStep_ = 0;
  nextLook_ = now;
}

void End::LookAgain(TimePoint now) {
  // The looks after the first while the end seems held (see End.h).
  static constexpr std::chrono::milliseconds kLater[] = {std::chrono::milliseconds(1), std::chrono::milliseconds(10),
                                                         std::chrono::milliseconds(100), std::chrono::milliseconds(1000)};
  nextLook_ = TimePoint::max();
  if (Pulled()) return;
  if (line_ >= 0) {
    close(line_);
    line_ = -1;
    ++ownCloses_;
  }
  // Without the relay's descriptor, the master hangs up exactly when no
  // other is open on the slave.
  pollfd master{master_, POLLIN, 0};
  poll(&master, 1, 0);
  held_ = (master.revents & POLLHUP) == 0;
  if (held_ && lookStep_ < std::size(kLater)) nextLook_ = now + kLater[lookStep_++];
  line_ = open(path_.c_str(), kSlaveFlags);
  if (line_ < 0) return;
  ++ownOpens_;
  if (stopped_) tcflow(line_, TCOOFF);
  // What the last program left unread goes with it.
  if (!held_) DiscardUnread();
}

CommLineSettings End::Format() const {
  // On a master, the terminal calls act on the slave's settings.
  return ReadLineSettings(master_);
}

void End::DiscardUnread() const {
  if (line_ >= 0) tcflush(line_, TCIFLUSH);
}

void End::HoldBack(bool stop) {
  if (stop == stopped_) return;
  stopped_ = stop;
  // A hung-up descriptor refuses; LookAgain applies the state anew.
  if (line_ >= 0) tcflow(line_, stop ? TCOOFF : TCOON);
}
