#include "PtyLine.h"

#include <fcntl.h>
#include <poll.h>
#include <pty.h>
#include <sys/eventfd.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <termios.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <string>
#include <system_error>

#include "WaitUntil.h"

namespace {

using namespace std::chrono_literals;

// A pseudo-terminal end queues at most this many bytes for its reader in
// raw mode (the kernel's N_TTY_BUF_SIZE less one); what is written beyond
// waits in the kernel's buffers on the way.
constexpr int kReaderQueueHolds = 4095;

[[noreturn]] void Fail(const std::string& what) {
  throw std::system_error(errno, std::generic_category(), what);
}

void MakeRawAndNonBlocking(int fd) {
  termios mode{};
  if (tcgetattr(fd, &mode) != 0) Fail("tcgetattr on a pseudo-terminal");
  cfmakeraw(&mode);
  if (tcsetattr(fd, TCSANOW, &mode) != 0) Fail("tcsetattr on a pseudo-terminal");
  const int flags = fcntl(fd, F_GETFL);
  if (flags < 0 || fcntl(fd, F_SETFL, flags | O_NONBLOCK) != 0) Fail("fcntl on a pseudo-terminal");
}

// Writes `size` bytes to the non-blocking `fd`, at most `step` per write(),
// waiting for room; gives up after 5 s without any.
void WriteAll(int fd, const std::uint8_t* data, std::size_t size, std::size_t step) {
  for (std::size_t done = 0; done < size;) {
    const ssize_t put = write(fd, data + done, std::min(step, size - done));
    if (put > 0) {
      done += static_cast<std::size_t>(put);
      continue;
    }
    if (put < 0 && errno == EINTR) continue;
    if (put == 0 || errno != EAGAIN) Fail("writing to a pseudo-terminal");
    // The kernel makes room without waking a poll now and then: look again
    // every 10 ms rather than sleep through it.
    const bool room = WaitUntil(
        [fd] {
          pollfd p{fd, POLLOUT, 0};
          return poll(&p, 1, 10) > 0;
        },
        5s);
    if (!room) throw std::runtime_error("the line took no byte for 5 s");
  }
}

// The state letter of one of this process's threads (R, S, D, ...).
char ThreadState(pid_t thread) {
  std::ifstream stat("/proc/self/task/" + std::to_string(thread) + "/stat");
  std::string text;
  std::getline(stat, text);
  // "tid (name) S ...": the name may hold anything but the last ')'.
  const std::size_t close = text.rfind(')');
  return close != std::string::npos && close + 2 < text.size() ? text[close + 2] : '?';
}

}  // namespace

PtyLine::PtyLine() { OpenPair(); }

PtyLine::PtyLine(Lasting) {
  static int made = 0;
  link_ = (std::filesystem::temp_directory_path() /
           ("usb-sig_Cable_" + std::to_string(getpid()) + "-" + std::to_string(++made) + "-if00-port0"))
              .string();
  Plug();
}

void PtyLine::OpenPair() {
  char name[256] = {};
  if (openpty(&master_, &slave_, name, nullptr, nullptr) != 0) Fail("openpty");
  path_ = name;
  MakeRawAndNonBlocking(master_);
  MakeRawAndNonBlocking(slave_);
}

PtyLine::~PtyLine() {
  if (cutter_.joinable()) cutter_.join();
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
  if (!link_.empty()) unlink(link_.c_str());
}

void PtyLine::Pull() {
  HangUp();
  unlink(link_.c_str());
}

void PtyLine::Plug() {
  if (master_ >= 0) close(master_);
  if (slave_ >= 0) close(slave_);
  OpenPair();
  // udev makes the link anew for the new device.
  if (symlink(path_.c_str(), link_.c_str()) != 0) Fail("symlink");
  path_ = link_;
}

void PtyLine::Send(const std::vector<std::uint8_t>& bytes) const {
  WriteAll(master_, bytes.data(), bytes.size(), bytes.size());
}

void PtyLine::SendByteByByte(const std::vector<std::uint8_t>& bytes) const {
  WriteAll(master_, bytes.data(), bytes.size(), 1);
}

std::chrono::steady_clock::duration PtyLine::SendInBursts(const std::vector<std::uint8_t>& bytes,
                                                          std::size_t burst,
                                                          std::chrono::milliseconds every) const {
  using Clock = std::chrono::steady_clock;
  const auto start = Clock::now();
  auto last = start;
  Clock::duration longest{};
  auto due = start;
  for (std::size_t at = 0; at < bytes.size(); at += burst, due += every) {
    // The adapter's pace, not a wait for anything.
    std::this_thread::sleep_until(due);
    const auto now = Clock::now();
    longest = std::max(longest, now - last);
    last = now;
    const std::size_t size = std::min(burst, bytes.size() - at);
    WriteAll(master_, bytes.data() + at, size, size);
  }
  return longest;
}

std::vector<std::uint8_t> PtyLine::Collect(std::size_t count, int idleMs) const {
  std::vector<std::uint8_t> bytes;
  std::uint8_t chunk[4096];
  while (bytes.size() < count && master_ >= 0) {
    pollfd p{master_, POLLIN, 0};
    if (poll(&p, 1, idleMs) <= 0) break;
    const ssize_t got = read(master_, chunk, std::min(sizeof chunk, count - bytes.size()));
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (got <= 0) break;
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  return bytes;
}

void PtyLine::HangUp() {
  if (master_ >= 0) close(master_);
  master_ = -1;
}

void PtyLine::HangUpWhenTaken() {
  const pid_t station = gettid();
  if (cutter_.joinable()) cutter_.join();
  cutter_ = std::thread([this, station] {
    WaitUntil([this] { return Queued() == 0; }, 5s);
    // Cut any earlier and the read fails all the same; this way the cut
    // lands inside the wait for the next byte, as a cable pulled mid-frame.
    WaitUntil([station] { return ThreadState(station) == 'S'; }, 5s);
    HangUp();
  });
}

int PtyLine::Queued() const { return QueuedAt(slave_); }

bool PtyLine::WaitQueued(int count, int timeoutMs) const {
  return WaitUntil([this, count] { return Queued() >= count; }, std::chrono::milliseconds(timeoutMs));
}

std::size_t PtyLine::Fill() const { return FillLine(slave_, master_); }

int OpenEnd(const std::string& path, speed_t speed, tcflag_t framing) {
  const int fd = open(path.c_str(), O_RDWR | O_NOCTTY | O_CLOEXEC);
  if (fd < 0) return fd;
  termios t{};
  tcgetattr(fd, &t);
  cfmakeraw(&t);
  t.c_cflag = (t.c_cflag & ~static_cast<tcflag_t>(CSIZE | PARENB | CSTOPB)) | framing | CLOCAL | CREAD;
  cfsetispeed(&t, speed);
  cfsetospeed(&t, speed);
  tcsetattr(fd, TCSANOW, &t);
  return fd;
}

int OpenEndNonBlocking(const std::string& path) {
  const int fd = OpenEnd(path);
  if (fd >= 0) fcntl(fd, F_SETFL, fcntl(fd, F_GETFL) | O_NONBLOCK);
  return fd;
}

int QueuedAt(int fd) {
  // FIONREAD lags a write until the bytes have landed; a poll lets them.
  pollfd p{fd, POLLIN, 0};
  poll(&p, 1, 0);
  int waiting = 0;
  return ioctl(fd, FIONREAD, &waiting) == 0 ? waiting : -1;
}

bool Writable(int fd) {
  pollfd p{fd, POLLOUT, 0};
  return poll(&p, 1, 0) == 1 && (p.revents & POLLOUT) != 0;
}

std::size_t FillLine(int device, int farEnd) {
  const int flags = fcntl(device, F_GETFL);
  if (flags < 0 || fcntl(device, F_SETFL, flags | O_NONBLOCK) != 0) Fail("fcntl on a pseudo-terminal");
  const std::vector<std::uint8_t> block(4096, 0x55);
  constexpr std::size_t kMost = 1024 * 1024;
  std::size_t total = 0;
  // A refused write is not the end: the kernel goes on moving the bytes to
  // the far end's queue in a worker of its own, which makes room again. Once
  // that queue is full nothing moves any more, so a write refused after
  // seeing it full stays refused.
  const bool full = WaitUntil(
      [&] {
        const bool farEndFull = QueuedAt(farEnd) >= kReaderQueueHolds;
        for (;;) {
          const ssize_t put = write(device, block.data(), block.size());
          if (put > 0) {
            total += static_cast<std::size_t>(put);
            if (total >= kMost) return true;
          } else if (put < 0 && errno == EAGAIN) {
            return farEndFull;
          } else if (put == 0 || errno != EINTR) {
            Fail("filling a pseudo-terminal");
          }
        }
      },
      5s);
  return full && total < kMost ? total : 0;
}

PtyRelay::PtyRelay(const PtyLine& from, const PtyLine& to) {
  stop_ = eventfd(0, EFD_CLOEXEC);
  if (stop_ < 0) Fail("eventfd");
  thread_ = std::thread([this, in = from.FarFd(), out = to.FarFd()] { Run(in, out); });
}

PtyRelay::PtyRelay(const PtyLine& from) {
  stop_ = eventfd(0, EFD_CLOEXEC);
  if (stop_ < 0) Fail("eventfd");
  thread_ = std::thread([this, in = from.FarFd()] { Run(in, -1); });
}

PtyRelay::~PtyRelay() {
  Stop();
  close(stop_);
}

void PtyRelay::Stop() {
  if (!thread_.joinable()) return;
  const std::uint64_t one = 1;
  (void)!write(stop_, &one, sizeof one);
  thread_.join();
}

void PtyRelay::Run(int from, int to) const {
  std::uint8_t buffer[4096];
  for (;;) {
    pollfd p[2] = {{stop_, POLLIN, 0}, {from, POLLIN, 0}};
    if (poll(p, 2, -1) < 0 && errno != EINTR) return;
    if (p[0].revents != 0) return;
    const ssize_t got = read(from, buffer, sizeof buffer);
    if (got < 0 && (errno == EAGAIN || errno == EINTR)) continue;
    if (got <= 0) return;
    for (ssize_t done = 0; to >= 0 && done < got;) {
      const ssize_t put = write(to, buffer + done, static_cast<std::size_t>(got - done));
      if (put > 0) {
        done += put;
      } else if (put < 0 && (errno == EAGAIN || errno == EINTR)) {
        // The receiving station's queue is full: wait for room, or a stop.
        // The kernel makes room without waking a poll now and then.
        pollfd q[2] = {{stop_, POLLIN, 0}, {to, POLLOUT, 0}};
        if (poll(q, 2, 10) > 0 && q[0].revents != 0) return;
      } else {
        return;
      }
    }
  }
}

bool PtyLine::Locked() const {
  struct stat device {};
  if (fstat(slave_, &device) != 0) return false;
  // A line of /proc/locks: "1: FLOCK  ADVISORY  WRITE 4242 00:19:5 0 EOF",
  // the device as major:minor:inode.
  std::string inode = std::to_string(device.st_ino);
  inode.insert(inode.begin(), ':');
  inode.push_back(' ');
  std::ifstream locks("/proc/locks");
  for (std::string line; std::getline(locks, line);)
    if (line.find("FLOCK") != std::string::npos && line.find(inode) != std::string::npos) return true;
  return false;
}
