#include "Children.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/signalfd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

// The wait status in words: "status N" or "signal N".
std::string DescribeStatus(int status) {
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return "status " + std::to_string(WEXITSTATUS(status));
}

int ExitCodeOf(int status) {
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}

}  // namespace

int SignalFd() {
  sigset_t set;
  sigemptyset(&set);
  for (int s : {SIGCHLD, SIGINT, SIGTERM, SIGHUP}) sigaddset(&set, s);
  sigprocmask(SIG_BLOCK, &set, nullptr);
  signal(SIGPIPE, SIG_IGN);
  const int fd = signalfd(-1, &set, SFD_CLOEXEC | SFD_NONBLOCK);
  if (fd < 0) throw std::runtime_error(std::string("cannot watch signals: ") + std::strerror(errno));
  return fd;
}

int NextSignal(int fd) {
  signalfd_siginfo info{};
  return read(fd, &info, sizeof info) == static_cast<ssize_t>(sizeof info) ? static_cast<int>(info.ssi_signo) : 0;
}

void Children::Start(const std::vector<std::string>& argv) {
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) throw std::runtime_error(std::string("cannot start a process: ") + std::strerror(errno));
  if (pid > 0) {
    children_.push_back({argv[0], pid});
    return;
  }
  // No stray windows after siglink is killed.
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != parent) _exit(125);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGCHLD, SIGPIPE}) signal(s, SIG_DFL);
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  const int error = errno;
  std::fprintf(stderr, "siglink: cannot run %s: %s\n", args[0], std::strerror(error));
  _exit(error == ENOENT ? 127 : 126);
}

bool Children::Reap() {
  bool any = false;
  for (Child& c : children_) {
    if (c.running && waitpid(c.pid, &c.status, WNOHANG) == c.pid) {
      c.running = false;
      std::fprintf(stderr, "siglink: %s ended with %s\n", c.name.c_str(), DescribeStatus(c.status).c_str());
    }
    any = any || c.running;
  }
  return !any;
}

void Children::Signal(int signo) const {
  for (const Child& c : children_) {
    if (c.running) kill(c.pid, signo);
  }
}

void Children::WaitAll() {
  for (Child& c : children_) {
    if (c.running && waitpid(c.pid, &c.status, 0) == c.pid) c.running = false;
  }
}

int Children::ExitCode() const {
  for (const Child& c : children_) {
    if (ExitCodeOf(c.status) != 0) return ExitCodeOf(c.status);
  }
  return 0;
}
