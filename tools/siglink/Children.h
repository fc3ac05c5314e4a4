// Children.h - the programs "siglink demo" runs, and the signals siglink
// waits for.
//
// Interface summary
//   int fd = SignalFd();          SIGCHLD, SIGINT, SIGTERM and SIGHUP, blocked, as a signalfd
//   NextSignal(fd)                the next of them; 0 when none waits
//   Children children;
//   children.Start(argv)          a child that ends with siglink (throws)
//   children.Reap()               reap and report the ended; true when none runs
//   children.Signal(SIGTERM)      send it to every running child
//   children.WaitAll()            wait until none runs
//   children.ExitCode()           0 when all ended with 0, else the first failure's
//
// siglink's relay sleeps in one poll, so signals come through a signalfd
// that the relay polls with its own descriptors, never through a handler.
#pragma once

#include <string>
#include <sys/types.h>
#include <vector>

// Blocks the signals siglink waits for (SIGPIPE is ignored) and returns a
// non-blocking signalfd that delivers them. Throws std::runtime_error when
// none can be made.
int SignalFd();

// Reads one signal from the signalfd. Returns its number, or 0 when none.
int NextSignal(int fd);

class Children {
public:
  // Starts argv[0] (looked up in PATH when it has no slash) as a child that
  // ends with siglink, with the default signal dispositions and an empty
  // signal mask. The child reports its own failure to start on standard
  // error and ends with 126, or 127 when the program cannot be found. Throws
  // std::runtime_error when no child can be made.
  void Start(const std::vector<std::string>& argv);

  // Reaps every child that has ended and reports it on standard error
  // ("siglink: sigtx ended with status 0"). Returns true when none is
  // running any more.
  bool Reap();

  // Sends signo to every child still running.
  void Signal(int signo) const;

  // Waits until every child has ended.
  void WaitAll();

  // The exit code a shell would give (N, or 128 + signal): 0 when every
  // child ended with 0, else the first failing child's in the order started.
  int ExitCode() const;

private:
  struct Child {
    std::string name;
    pid_t pid;
    int status = 0;
    bool running = true;
  };
  std::vector<Child> children_;
};
