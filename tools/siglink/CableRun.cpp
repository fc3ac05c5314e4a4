#include "CableRun.h"

#include <cerrno>
#include <fcntl.h>
#include <system_error>
#include <unistd.h>
#include <utility>

CableRun::CableRun(bool paced, CableFaults faults, Cable::Clock::duration burst, NoiseReporter report)
    : cable(paced, faults, burst, std::move(report)) {
  if (pipe2(stop_, O_CLOEXEC) != 0) throw std::system_error(errno, std::generic_category(), "pipe2");
  // A byte on the stop pipe wakes the relay, which then ends.
  thread_ = std::thread([this] { cable.Run(stop_[0], [] { return false; }); });
}

CableRun::~CableRun() {
  const char stop = 'x';
  (void)!write(stop_[1], &stop, 1);
  thread_.join();
  close(stop_[0]);
  close(stop_[1]);
}
