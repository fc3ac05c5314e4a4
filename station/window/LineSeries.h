// LineSeries.h - a line through points kept in ascending x.
//
// The stretch of line that leads to a point is drawn in that point's colour.
#pragma once

#include "ChartSeries.h"

class TLineSeries : public TChartSeries {
public:
  explicit TLineSeries(TChart& owner) : TChartSeries(owner) {}

  // Inserts one point after every point whose x is not greater (points are
  // kept in ascending x; equal x keep the order of adding). Returns its index.
  int AddXY(double x, double y, const std::string& label, TColor color);
};
