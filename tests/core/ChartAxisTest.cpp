// The chart axes for any values a frame can carry: finite ends around every
// drawn point, ticks that divide them, and an end to every computation.
#include <bit>
#include <cfloat>
#include <cmath>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "ChartAxis.h"

namespace {

constexpr double kMax = DBL_MAX;
constexpr double kInf = INFINITY;

struct Point {
  double X = 0;
  double Y = 0;
};

AxisRange RangeOf(std::initializer_list<double> values) {
  AxisRange range;
  for (double value : values) range.Take(value);
  return range;
}

// What every axis must be: finite ends, low below high, every drawn value
// inside, and a finite interval > 0 that cuts the axis into about `gaps`
// parts (NiceAxis: exactly, up to rounding).
void ExpectSound(const AxisScale& scale, const AxisRange& drawn, double gaps, bool exact) {
  SCOPED_TRACE(testing::Message() << "axis " << scale.Low << " .. " << scale.High << " by " << scale.Interval
                                  << " for " << drawn.Low << " .. " << drawn.High);
  ASSERT_TRUE(std::isfinite(scale.Low) && std::isfinite(scale.High));
  EXPECT_LT(scale.Low, scale.High);
  if (!drawn.Empty()) {
    EXPECT_LE(scale.Low, drawn.Low);
    EXPECT_GE(scale.High, drawn.High);
  }
  ASSERT_TRUE(std::isfinite(scale.Interval) && scale.Interval > 0);
  const double parts = scale.High / scale.Interval - scale.Low / scale.Interval;
  if (exact)
    EXPECT_NEAR(parts, gaps, 1e-6 * gaps);
  else
    EXPECT_TRUE(parts >= 1 - 1e-9 && parts <= gaps + 1e-9) << parts;
}

void ExpectBothSound(const AxisRange& range) {
  ExpectSound(NiceAxis(range, 5), range, 4, true);
  ExpectSound(ExactAxis(range, 5), range, 5, false);
}

}  // namespace

// The charts of a run: round ends and steps, the lags' x kept exactly;
// equal values ±1 around a small one, as always, a tenth around a large one,
// where ±1 would be lost; nothing drawn, 0 .. 1 rounded.
TEST(ChartAxis, WorkedAxes) {
  const struct {
    AxisScale axis, expected;
  } cases[] = {
      {NiceAxis(RangeOf({0, 23, 17}), 5), {0, 40, 10}},
      {ExactAxis(RangeOf({0, 99}), 5), {0, 99, 20}},
      // A step of 0.5 from -1 falls short of 1.2: the next round step, 1.
      {NiceAxis(RangeOf({-0.73, 1.2}), 5), {-1, 3, 1}},
      {NiceAxis(RangeOf({3, 3}), 5), {2, 4, 0.5}},
      {NiceAxis(RangeOf({7e30, 7e30}), 5), {6e30, 8e30, 5e29}},
      {NiceAxis(AxisRange{}, 5), {0, 2, 0.5}},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(c.axis.Low, c.expected.Low);
    EXPECT_DOUBLE_EQ(c.axis.High, c.expected.High);
    EXPECT_DOUBLE_EQ(c.axis.Interval, c.expected.Interval);
  }
  EXPECT_EQ(NiceStep(0.07), 0.1);
  EXPECT_EQ(NiceStep(150), 200);
  EXPECT_EQ(NiceStep(3), 5);
}

// Only what is drawn counts: bars stand on 0, a line point needs both
// coordinates finite.
TEST(ChartAxis, GathersOnlyWhatIsDrawn) {
  ChartRanges bars;
  bars.TakeBars(std::vector<Point>{{0, 5}, {1, NAN}, {2, kInf}});
  EXPECT_EQ(bars.Y.Low, 0);
  EXPECT_EQ(bars.Y.High, 5);
  EXPECT_TRUE(bars.X.Empty());
  ChartRanges line;
  line.TakeLine(std::vector<Point>{{0, NAN}, {1, -2}, {NAN, 100}, {3, kInf}, {4, 1e30}});
  EXPECT_EQ(line.X.Low, 1);
  EXPECT_EQ(line.X.High, 4);
  EXPECT_EQ(line.Y.Low, -2);
  EXPECT_EQ(line.Y.High, 1e30);
  ChartRanges none;
  none.TakeLine(std::vector<Point>{{0, NAN}, {1, -kInf}});
  EXPECT_TRUE(none.Y.Empty());
}

TEST(ChartAxis, ExtremeRangesGiveSoundAxes) {
  const double denormal = std::numeric_limits<double>::denorm_min();
  const std::vector<AxisRange> ranges = {
      RangeOf({1e30, 1e30}), RangeOf({-0.0, -0.0}), RangeOf({0x1p53, 0x1p53}), RangeOf({kMax, kMax}),
      RangeOf({-kMax, -kMax}), RangeOf({FLT_MAX, FLT_MAX}), RangeOf({denormal, denormal}),
      RangeOf({0, denormal}), RangeOf({-denormal, 3 * denormal}), RangeOf({DBL_MIN, 2 * DBL_MIN}),
      RangeOf({-FLT_MAX, FLT_MAX}), RangeOf({-kMax, kMax}), RangeOf({kMax / 2, kMax}), RangeOf({0, kMax}),
      RangeOf({-kMax, -kMax * 0.99}), RangeOf({1, std::nextafter(1.0, 2.0)}), RangeOf({1e300, 1e300 * (1 + 1e-15)}),
      RangeOf({-1e-300, 1e300}), RangeOf({9.8754e31, 1.01026e32}), AxisRange{}};
  for (const AxisRange& range : ranges) ExpectBothSound(range);
}

// Any two doubles, drawn from every kind of bit pattern.
TEST(ChartAxis, AnyTwoValuesGiveSoundAxes) {
  std::mt19937_64 random(20261207);
  for (int i = 0; i < 20000; ++i) {
    AxisRange range;
    range.Take(std::bit_cast<double>(random()));
    range.Take(i % 2 ? std::bit_cast<double>(random()) : -range.Low);
    ExpectBothSound(range);
    if (testing::Test::HasFailure()) return;
  }
}
