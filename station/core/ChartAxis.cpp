#include "ChartAxis.h"

#include <algorithm>
#include <cstdlib>

namespace {

// A nice axis tries ever larger steps; each is at least twice the one
// before, so this many rounds cover any range of doubles several times over.
constexpr int kMaxRounds = 64;

// The range an axis shows. An empty one is 0..1. One too narrow to divide
// (equal values, or a span below a millionth of a millionth of its size or
// below the smallest normal double) is shown around its middle: ±1 around a
// small value, ±a tenth of a large one, whose ±1 would be lost in rounding.
AxisRange Shown(AxisRange range) {
  if (range.Empty()) return {0, 1};
  const double size = std::max(std::fabs(range.Low), std::fabs(range.High));
  const double span = range.High - range.Low;  // +inf for the widest ranges: wide enough
  if (span > size * 1e-12 && span > std::numeric_limits<double>::min()) return range;
  const double middle = range.Low / 2 + range.High / 2;
  const double half = std::max(1.0, std::fabs(middle) / 10);
  const double max = std::numeric_limits<double>::max();
  return {std::max(middle - half, -max), std::min(middle + half, max)};
}

// The range as it is, cut into `gaps` equal parts; halved before the
// subtraction so that even -DBL_MAX..DBL_MAX has a finite interval.
AxisScale Whole(AxisRange range, int gaps) {
  return {range.Low, range.High, range.High / gaps - range.Low / gaps};
}

// 10^e from the powers a double holds exactly (up to 10^22) by multiplying,
// a negative one by one division: the same bits wherever IEEE arithmetic
// is, which the C libraries' pow is not (MinGW's 10^-2 differs from glibc's).
// 0 below the doubles, infinite above.
double PowerOfTen(int e) {
  double power = 1;
  for (int i = 0; i < std::abs(e) && std::isfinite(power); ++i) power *= 10;
  return e < 0 ? 1 / power : power;
}

}  // namespace

double NiceStep(double raw) {
  if (!(raw > 0) || !std::isfinite(raw)) return raw;
  // log10 may be off by an ulp where raw is near a power of ten: the powers
  // themselves settle the exponent (a step or two at most).
  int e = static_cast<int>(std::floor(std::log10(raw)));
  while (e > -400 && PowerOfTen(e) > raw) --e;
  while (e < 400 && PowerOfTen(e + 1) <= raw) ++e;
  const double power = PowerOfTen(e);
  // Below the smallest normal double the division gives 0: no round step there.
  if (!(power > 0)) return raw;
  for (double factor : {1.0, 2.0, 5.0})
    if (factor * power >= raw * (1 - 1e-12)) return factor * power;
  return 10 * power;
}

AxisScale NiceAxis(AxisRange range, int ticks) {
  range = Shown(range);
  const int gaps = std::max(ticks, 2) - 1;
  double step = NiceStep(range.High / gaps - range.Low / gaps);
  for (int round = 0; round < kMaxRounds && step > 0 && std::isfinite(step); ++round) {
    double low = std::floor(range.Low / step) * step;
    if (low > range.Low) low -= step;  // the quotient was rounded up
    const double high = low + step * gaps;
    if (std::isfinite(low) && std::isfinite(high) && low <= range.Low && high >= range.High)
      return {low, high, step};
    step = NiceStep(step * 1.5);
  }
  return Whole(range, gaps);
}

AxisScale ExactAxis(AxisRange range, int ticks) {
  range = Shown(range);
  const int count = std::max(ticks, 1);
  const double interval = NiceStep(range.High / count - range.Low / count);
  if (interval > 0 && std::isfinite(interval)) return {range.Low, range.High, interval};
  return Whole(range, count);
}
