#include "Lane.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <unistd.h>
#include <utility>

long Lane::Take(int from, std::chrono::nanoseconds characterTime, Clock::time_point now) {
  std::array<std::uint8_t, 4096> buffer{};
  long total = 0;
  while (!Full()) {
    const std::size_t room = std::min(buffer.size(), kCapacity - queue_.size());
    const ssize_t got = read(from, buffer.data(), room);
    if (got < 0) {
      if (errno == EINTR) continue;
      // EIO: the program closed its end; the bytes it wrote were all taken.
      if (errno == EAGAIN || errno == EIO) return total;
      return -1;
    }
    if (got == 0) return total;
    for (ssize_t i = 0; i < got; ++i) {
      const Clock::time_point start = std::max(now, lineFree_);
      lineFree_ = start + characterTime;
      const std::uint8_t flips = noise_.Flips();
      if (flips != 0) {
        taken_.Flips.push_back({taken_.Bytes, flips});
        taken_.Bits += std::popcount(flips);
      }
      ++taken_.Bytes;
      queue_.push_back({BurstTick(lineFree_), static_cast<std::uint8_t>(buffer[static_cast<std::size_t>(i)] ^ flips)});
    }
    total += got;
    lastTaken_ = now;
  }
  return total;
}

bool Lane::Deliver(int to, Clock::time_point now, std::size_t limit) {
  std::array<std::uint8_t, 4096> buffer{};
  while (limit > 0 && !queue_.empty() && queue_.front().Due <= now) {
    std::size_t n = 0;
    for (auto it = queue_.begin();
         it != queue_.end() && it->Due <= now && n < buffer.size() && n < limit; ++it) {
      buffer[n++] = it->Value;
    }
    const ssize_t put = write(to, buffer.data(), n);
    if (put < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    queue_.erase(queue_.begin(), queue_.begin() + put);
    limit -= static_cast<std::size_t>(put);
    if (static_cast<std::size_t>(put) < n) return false;
  }
  return true;
}

std::size_t Lane::Drop(Clock::time_point now) {
  std::size_t n = 0;
  while (!queue_.empty() && queue_.front().Due <= now) {
    queue_.pop_front();
    ++n;
  }
  return n;
}

Lane::Clock::time_point Lane::BurstTick(Clock::time_point t) const {
  if (burst_ <= Clock::duration::zero() || t <= origin_) return t;
  const auto ticks = (t - origin_ + burst_ - Clock::duration(1)) / burst_;
  return origin_ + ticks * burst_;
}

Lane::Clock::time_point Lane::NextDue() const {
  return queue_.empty() ? Clock::time_point::max() : queue_.front().Due;
}

std::optional<Lane::Burst> Lane::EndedBurst(Clock::time_point now) {
  if (now < BurstEnd()) return std::nullopt;
  return TakeBurst();
}

std::optional<Lane::Burst> Lane::TakeBurst() {
  if (taken_.Bytes == 0) return std::nullopt;
  return std::exchange(taken_, Burst{});
}

Lane::Clock::time_point Lane::BurstEnd() const {
  if (taken_.Bytes == 0 || !queue_.empty()) return Clock::time_point::max();
  return lastTaken_ + kQuiet;
}
