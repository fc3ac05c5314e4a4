// ChartAxis.h - the numbers on a chart's axes: the range its points span
// and round numbers that divide it, for any values a frame may carry.
//
// Interface summary
//   ChartRanges r;  r.TakeBars(points);  r.TakeLine(points);   what is drawn
//   AxisScale y = NiceAxis(r.Y, 5);     round ends, 5 ticks dividing them
//   AxisScale x = ExactAxis(r.X, 5);    the range as it is, a round tick interval
//   NiceStep(raw)                       1, 2 or 5 times a power of ten, >= raw
//
// Every range, however extreme (equal values of any size, both ends near
// the largest double, denormals, -0), gives an axis with finite ends,
// Low < High, containing every drawn point, and a finite interval > 0; no
// loop here runs more than a fixed number of rounds. Pure arithmetic on
// doubles: the chart layer (Chart.cpp) hands the results to its drawing.
#pragma once

#include <cmath>
#include <limits>

// The smallest and largest value taken; values that cannot be drawn
// (NaN, infinities) are left out.
struct AxisRange {
  double Low = std::numeric_limits<double>::infinity();
  double High = -std::numeric_limits<double>::infinity();

  void Take(double value) {
    if (!std::isfinite(value)) return;
    if (value < Low) Low = value;
    if (value > High) High = value;
  }
  bool Empty() const { return Low > High; }
};

// What a chart draws, gathered point by point: a point counts only where
// it is drawn, so a line point needs both coordinates finite; bars stand
// on 0, so a chart with bars always shows 0.
struct ChartRanges {
  AxisRange X;
  AxisRange Y;

  // `points`: anything with .Y (a bar's height) per element.
  template <class Points>
  void TakeBars(const Points& points) {
    Y.Take(0);
    for (const auto& point : points) Y.Take(point.Y);
  }

  // `points`: anything with .X and .Y per element.
  template <class Points>
  void TakeLine(const Points& points) {
    for (const auto& point : points)
      if (std::isfinite(point.X) && std::isfinite(point.Y)) {
        X.Take(point.X);
        Y.Take(point.Y);
      }
  }
};

// An axis: its two ends and the distance between its ticks.
struct AxisScale {
  double Low = 0;
  double High = 1;
  double Interval = 0.25;
};

// A step of 1, 2 or 5 times a power of ten, at least `raw` (give it a
// finite raw > 0). May be infinite where no such step is a double.
double NiceStep(double raw);

// A value axis: the range widened to round numbers so that `ticks` ticks
// (at least 2) divide it evenly; where no round numbers can (the ends near
// the largest double), the range as it is, divided evenly.
AxisScale NiceAxis(AxisRange range, int ticks);

// An axis over the range as it is, its ticks a round interval apart (at
// most about `ticks` of them).
AxisScale ExactAxis(AxisRange range, int ticks);
