#include "Cable.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <limits>
#include <poll.h>

namespace {

// How often an end that nobody holds is looked at again: a hung-up master
// reports POLLHUP at once on every poll, so it cannot wait in the poll set.
constexpr auto kPlugCheck = std::chrono::milliseconds(10);

}  // namespace

Cable::Cable(bool paced, CableFaults faults) : paced_(paced), faults_(faults) {}

void Cable::CutWhenDue() {
  if (faults_.CutAfter < 0 || carried_.load() < faults_.CutAfter || IsCut()) return;
  first_.Pull();
  second_.Pull();
}

int Cable::Pump(const End& from, Lane& lane, const End& to, Clock::time_point now) {
  const End::State source = from.Status();
  if (source.Readable && !lane.Full() && !faults_.Stall) {
    const auto characterTime = paced_ ? CharacterTime(from.Format()) : std::chrono::nanoseconds{0};
    if (lane.Take(from.Master(), characterTime, now) < 0) return errno;
  }
  if (lane.NextDue() <= now) {
    if (to.Status().Plugged) {
      // Up to the cut, bytes bound for the second end are counted.
      const bool counted = &to == &second_;
      std::size_t limit = std::numeric_limits<std::size_t>::max();
      if (counted && faults_.CutAfter >= 0)
        limit = static_cast<std::size_t>(std::max(0LL, faults_.CutAfter - carried_.load()));
      const std::size_t before = lane.Pending();
      lane.Deliver(to.Master(), now, limit);
      if (counted) carried_ += static_cast<long long>(before - lane.Pending());
    } else {
      lost_ += static_cast<long long>(lane.Drop(now));
    }
  }
  return 0;
}

int Cable::Run(int wakeFd, const std::function<bool()>& onWake) {
  for (;;) {
    CutWhenDue();
    if (IsCut()) {
      // Nothing left to carry: wait for onWake alone.
      pollfd wake{wakeFd, POLLIN, 0};
      if (poll(&wake, 1, -1) < 0 && errno != EINTR) return errno;
      if ((wake.revents & POLLIN) != 0 && !onWake()) return 0;
      continue;
    }
    const Clock::time_point now = Clock::now();
    if (int error = Pump(first_, forward_, second_, now)) return error;
    if (int error = Pump(second_, backward_, first_, now)) return error;
    CutWhenDue();
    if (IsCut()) continue;

    // Wait for the wake fd, for a program writing to its end, for a master
    // to take bytes it refused, or for the next byte to fall due.
    pollfd fds[3] = {{wakeFd, POLLIN, 0}, {first_.Master(), 0, 0}, {second_.Master(), 0, 0}};
    Clock::time_point wake = std::min(forward_.NextDue(), backward_.NextDue());
    const End* ends[2] = {&first_, &second_};
    const Lane* outgoing[2] = {&forward_, &backward_};
    const Lane* incoming[2] = {&backward_, &forward_};
    for (int i = 0; i < 2; ++i) {
      const End::State state = ends[i]->Status();
      if (held_[i].load() && !state.Plugged) ends[i]->DiscardUnread();
      held_[i].store(state.Plugged);
      if (!state.Plugged) {
        wake = std::min(wake, Clock::now() + kPlugCheck);
        continue;
      }
      if (!outgoing[i]->Full() && !faults_.Stall) fds[i + 1].events |= POLLIN;
      if (incoming[i]->NextDue() <= Clock::now()) fds[i + 1].events |= POLLOUT;
    }

    timespec timeout{};
    const timespec* wait = nullptr;
    if (wake != Clock::time_point::max()) {
      const auto left = std::max(Clock::duration::zero(), wake - Clock::now());
      const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
      timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
      timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
      wait = &timeout;
    }
    if (ppoll(fds, 3, wait, nullptr) < 0 && errno != EINTR) return errno;
    if ((fds[0].revents & POLLIN) != 0 && !onWake()) return 0;
  }
}
