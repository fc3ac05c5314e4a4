#include "Cable.h"

#include <algorithm>
#include <cerrno>
#include <ctime>
#include <limits>
#include <poll.h>
#include <utility>

Cable::Cable(bool paced, CableFaults faults, Clock::duration burst, NoiseReporter report)
    : paced_(paced), faults_(faults), forward_(burst), backward_(burst) {
  if (faults.NoiseRate > 0) {
    forward_.SetNoise(Noise(faults.NoiseRate, faults.NoiseSeed, 0));
    backward_.SetNoise(Noise(faults.NoiseRate, faults.NoiseSeed, 1));
    noiseReport_ = std::move(report);
  }
}

void Cable::ReportEndedBursts(Clock::time_point now) {
  if (!noiseReport_) return;
  if (auto burst = forward_.EndedBurst(now)) noiseReport_({&first_, &second_, std::move(*burst)});
  if (auto burst = backward_.EndedBurst(now)) noiseReport_({&second_, &first_, std::move(*burst)});
}

void Cable::ReportRest() {
  if (!noiseReport_) return;
  if (auto burst = forward_.TakeBurst()) noiseReport_({&first_, &second_, std::move(*burst)});
  if (auto burst = backward_.TakeBurst()) noiseReport_({&second_, &first_, std::move(*burst)});
}

void Cable::CutWhenDue() {
  if (faults_.CutAfter < 0 || carried_.load() < faults_.CutAfter || IsCut()) return;
  first_.Pull();
  second_.Pull();
}

int Cable::Pump(End& from, Lane& lane, End& to, Clock::time_point now) {
  if (!lane.Full()) {
    const auto characterTime = paced_ ? CharacterTime(from.Format()) : std::chrono::nanoseconds{0};
    const long got = lane.Take(from.Master(), characterTime, now);
    if (got < 0) return errno;
    if (&from == &first_) taken_ += got;
  }
  if (!faults_.Stall && lane.NextDue() <= now) {
    // inotify merges a program's open that comes just after the relay's own
    // (a look after a close) into one event the relay passes over as its
    // own: before bytes are lost at an end nobody seems to hold, look again.
    if (!to.Held()) to.LookAgain(now);
    if (to.Held()) {
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
  // A full transmit buffer stops the sender; it goes on once the line has
  // nearly emptied it.
  if (lane.Full()) from.HoldBack(true);
  if (lane.LowWater()) from.HoldBack(false);
  return 0;
}

int Cable::Run(int wakeFd, const std::function<bool()>& onWake) {
  for (;;) {
    ++wakeups_;
    CutWhenDue();
    if (IsCut()) {
      // Nothing left to carry: wait for onWake alone.
      pollfd wake{wakeFd, POLLIN, 0};
      if (poll(&wake, 1, -1) < 0 && errno != EINTR) return errno;
      if ((wake.revents & POLLIN) != 0 && !onWake()) return 0;
      continue;
    }
    const Clock::time_point now = Clock::now();
    if (int error = Carry(now)) return error;
    if (IsCut()) continue;

    Waits waits = WaitsAfter(wakeFd, now);
    timespec timeout{};
    if (ppoll(waits.Fds, 5, TimeoutUntil(waits.Wake, timeout), nullptr) < 0 && errno != EINTR) return errno;
    LookAfterHangUps(waits);
    if ((waits.Fds[0].revents & POLLIN) != 0 && !onWake()) return 0;
  }
}

int Cable::Carry(Clock::time_point now) {
  End* ends[2] = {&first_, &second_};
  for (int i = 0; i < 2; ++i) {
    ends[i]->Notice(now);
    held_[i].store(ends[i]->Held());
  }
  if (int error = Pump(first_, forward_, second_, now)) return error;
  if (int error = Pump(second_, backward_, first_, now)) return error;
  CutWhenDue();
  ReportEndedBursts(now);
  return 0;
}

Cable::Waits Cable::WaitsAfter(int wakeFd, Clock::time_point now) const {
  const Lane* outgoing[2] = {&forward_, &backward_};
  const Lane* incoming[2] = {&backward_, &forward_};
  Waits waits{{{wakeFd, POLLIN, 0},
               {first_.Watch(), POLLIN, 0},
               {second_.Watch(), POLLIN, 0},
               {first_.Joined() || first_.Held() ? first_.Master() : -1, 0, 0},
               {second_.Joined() || second_.Held() ? second_.Master() : -1, 0, 0}},
              std::min(first_.NextLook(), second_.NextLook())};
  // A noisy cable wakes to tell a burst that has ended.
  if (noiseReport_) waits.Wake = std::min({waits.Wake, forward_.BurstEnd(), backward_.BurstEnd()});
  for (int i = 0; i < 2; ++i) {
    if (!outgoing[i]->Full()) waits.Fds[i + 3].events |= POLLIN;
    if (faults_.Stall) continue;
    // Bytes due but not yet delivered wait for the master to take them.
    const Clock::time_point due = incoming[i]->NextDue();
    if (due <= now) {
      waits.Fds[i + 3].events |= POLLOUT;
    } else {
      waits.Wake = std::min(waits.Wake, due);
    }
  }
  return waits;
}

const timespec* Cable::TimeoutUntil(Clock::time_point wake, timespec& timeout) {
  if (wake == Clock::time_point::max()) return nullptr;
  const auto left = std::max(Clock::duration::zero(), wake - Clock::now());
  const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
  timeout.tv_sec = static_cast<time_t>(ns / 1'000'000'000);
  timeout.tv_nsec = static_cast<long>(ns % 1'000'000'000);
  return &timeout;
}

void Cable::LookAfterHangUps(const Waits& waits) {
  // A master hangs up when the last program let go of an end the relay
  // holds no descriptor of its own on.
  End* ends[2] = {&first_, &second_};
  for (int i = 0; i < 2; ++i) {
    if ((waits.Fds[i + 3].revents & POLLHUP) != 0) {
      ends[i]->LookAgain(Clock::now());
      held_[i].store(ends[i]->Held());
    }
  }
}
