#include "Spawn.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <system_error>
#include <unistd.h>

pid_t Spawn(const PortMap& map, const std::vector<std::string>& argv) {
  const pid_t parent = getpid();
  const pid_t pid = fork();
  if (pid < 0) throw std::system_error(errno, std::generic_category(), "cannot start a process");
  if (pid > 0) return pid;

  // The child: it must not outlive siglink (no stray windows after a kill).
  prctl(PR_SET_PDEATHSIG, SIGTERM);
  if (getppid() != parent) _exit(125);
  sigset_t none;
  sigemptyset(&none);
  sigprocmask(SIG_SETMASK, &none, nullptr);
  for (int s : {SIGINT, SIGTERM, SIGHUP, SIGCHLD, SIGPIPE}) signal(s, SIG_DFL);
  try {
    map.Enter();
  } catch (const std::exception& e) {
    std::fprintf(stderr, "siglink: %s\n", e.what());
    _exit(125);
  }
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  execvp(args[0], args.data());
  const int error = errno;
  std::fprintf(stderr, "siglink: cannot run %s: %s\n", args[0], std::strerror(error));
  _exit(error == ENOENT ? 127 : 126);
}

std::string DescribeStatus(int status) {
  if (WIFSIGNALED(status)) return "signal " + std::to_string(WTERMSIG(status));
  return "status " + std::to_string(WEXITSTATUS(status));
}

int ExitCodeOf(int status) {
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return WEXITSTATUS(status);
}
