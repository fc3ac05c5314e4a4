#include "PortMap.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sched.h>
#include <stdexcept>
#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include "CommPlatform.h"

namespace {

std::string ErrorText(int error) { return std::strerror(error); }

[[noreturn]] void Fail(const std::string& what, int error) {
  throw std::runtime_error(what + ": " + ErrorText(error));
}

// The name under /dev that a program opening `port` uses: the port's own
// rule (CommPlatform::DevicePath) for "COMn" and paths, plus "ttySn" as a
// short form of ours. "" unless that is /dev/ttyS0..ttyS255.
std::string TtyName(const std::string& port) {
  const std::string path = port.rfind("ttyS", 0) == 0 ? "/dev/" + port : CommPlatform::DevicePath(port);
  const std::string prefix = "/dev/ttyS";
  if (path.rfind(prefix, 0) != 0) return "";
  const std::string digits = path.substr(prefix.size());
  // Without leading zeros, as "ttyS01" would bind a name nobody opens.
  if (digits.empty() || digits.size() > 3 || digits.find_first_not_of("0123456789") != std::string::npos ||
      (digits.size() > 1 && digits[0] == '0') || std::stoi(digits) > 255)
    return "";
  return path.substr(5);
}

void WriteFile(const std::string& path, const std::string& text) {
  const int fd = open(path.c_str(), O_WRONLY | O_CLOEXEC);
  if (fd < 0) Fail("cannot open " + path, errno);
  const ssize_t put = write(fd, text.data(), text.size());
  const int saved = errno;
  close(fd);
  if (put != static_cast<ssize_t>(text.size())) Fail("cannot write " + path, saved);
}

// The sentence for a machine that does not allow what Enter needs.
[[noreturn]] void NotAllowed(const std::string& step, int error) {
  throw std::runtime_error(
      step + ": " + ErrorText(error) +
      ".\nThis machine does not let this user make a private mount namespace"
      " (unprivileged user namespaces are switched off or restricted).\n"
      "Either run siglink as root (sudo siglink ...), or give the ports their"
      " names system-wide instead, e.g. a udev rule\n"
      "  SUBSYSTEM==\"tty\", ATTRS{serial}==\"...\", SYMLINK+=\"ttyS1\"\n"
      "or, for a virtual cable end, a link made as root: ln -sf /dev/pts/N /dev/ttyS1");
}

void Bind(const std::string& from, const std::string& to, bool directory) {
  if (directory) {
    if (mkdir(to.c_str(), 0755) != 0) Fail("cannot make " + to, errno);
  } else {
    const int fd = open(to.c_str(), O_WRONLY | O_CREAT | O_CLOEXEC, 0644);
    if (fd < 0) Fail("cannot make " + to, errno);
    close(fd);
  }
  if (mount(from.c_str(), to.c_str(), nullptr, MS_BIND | MS_REC, nullptr) != 0)
    Fail("cannot bind " + from + " onto " + to, errno);
}

}  // namespace

void PortMap::Add(const std::string& mapping) {
  const auto eq = mapping.find('=');
  if (eq == std::string::npos)
    throw std::runtime_error("\"" + mapping + "\" is not PORT=DEVICE (e.g. COM2=/dev/ttyUSB0)");
  Add(mapping.substr(0, eq), mapping.substr(eq + 1));
}

void PortMap::Add(const std::string& port, const std::string& device) {
  const std::string name = TtyName(port);
  if (name.empty())
    throw std::runtime_error("\"" + port + "\" is not a port name (COM1..COM256 or /dev/ttyS0..ttyS255)");
  if (device.empty()) throw std::runtime_error(port + " is mapped to nothing");
  for (const auto& entry : entries_) {
    if (entry.first == name) throw std::runtime_error(port + " is mapped twice");
  }
  entries_.emplace_back(name, device);
}

void PortMap::Check() {
  for (auto& [name, device] : entries_) {
    char resolved[PATH_MAX];
    if (realpath(device.c_str(), resolved) == nullptr) Fail(device, errno);
    struct stat info {};
    if (stat(resolved, &info) != 0) Fail(device, errno);
    if (!S_ISCHR(info.st_mode)) throw std::runtime_error(device + " is not a character device");
    if (access(resolved, R_OK | W_OK) != 0) {
      const int error = errno;
      std::string text = device + ": " + ErrorText(error);
      if (error == EACCES) text += " (is this user in the device's group, e.g. dialout?)";
      throw std::runtime_error(text);
    }
    device = resolved;
  }
}

void PortMap::Enter() const {
  const uid_t uid = geteuid();
  const gid_t gid = getegid();
  if (uid == 0) {
    if (unshare(CLONE_NEWNS) != 0) NotAllowed("cannot make a private mount namespace", errno);
  } else {
    if (unshare(CLONE_NEWUSER | CLONE_NEWNS) != 0) NotAllowed("cannot make a private user namespace", errno);
    try {
      // Same ids inside as outside: the program keeps the user's rights.
      WriteFile("/proc/self/setgroups", "deny");
      WriteFile("/proc/self/uid_map", std::to_string(uid) + " " + std::to_string(uid) + " 1\n");
      WriteFile("/proc/self/gid_map", std::to_string(gid) + " " + std::to_string(gid) + " 1\n");
    } catch (const std::runtime_error& e) {
      NotAllowed(e.what(), EPERM);
    }
  }
  // Keep every mount change of ours inside this namespace.
  if (mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
    NotAllowed("cannot make the mounts private", errno);

  std::string staging = "/tmp/siglink-dev-XXXXXX";
  if (mkdtemp(staging.data()) == nullptr) Fail("cannot make a directory in /tmp", errno);
  auto removeStaging = [&] { rmdir(staging.c_str()); };
  try {
    if (mount("tmpfs", staging.c_str(), "tmpfs", MS_NOSUID | MS_NOEXEC, "mode=755,size=64k") != 0)
      NotAllowed("cannot mount a tmpfs", errno);
    struct Node {
      const char* name;
      bool directory;
    };
    static constexpr Node kNodes[] = {{"null", false}, {"zero", false}, {"full", false},
                                      {"random", false}, {"urandom", false}, {"tty", false},
                                      {"ptmx", false}, {"pts", true}, {"shm", true}, {"dri", true}};
    for (const Node& node : kNodes) {
      const std::string from = std::string("/dev/") + node.name;
      if (access(from.c_str(), F_OK) != 0) continue;
      Bind(from, staging + "/" + node.name, node.directory);
    }
    static constexpr const char* kLinks[][2] = {
        {"fd", "/proc/self/fd"}, {"stdin", "/proc/self/fd/0"}, {"stdout", "/proc/self/fd/1"}, {"stderr", "/proc/self/fd/2"}};
    for (const auto& [name, target] : kLinks) {
      if (symlink(target, (staging + "/" + name).c_str()) != 0) Fail(std::string("cannot link /dev/") + name, errno);
    }
    for (const auto& [name, device] : entries_) Bind(device, staging + "/" + name, false);
    if (mount(staging.c_str(), "/dev", nullptr, MS_MOVE, nullptr) != 0)
      Fail("cannot move the new /dev into place", errno);
  } catch (...) {
    umount2(staging.c_str(), MNT_DETACH);
    removeStaging();
    throw;
  }
  removeStaging();
}
