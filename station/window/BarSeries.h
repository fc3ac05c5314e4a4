// BarSeries.h - a series of bars, one per Add, in the order added.
//
// Each bar keeps its height, its label (drawn under the bar) and its colour.
#pragma once

#include "ChartSeries.h"

class TBarSeries : public TChartSeries {
public:
  explicit TBarSeries(TChart& owner) : TChartSeries(owner) {}

  // Appends one bar after the existing ones, at x = its position. Returns
  // that position.
  int Add(double value, const std::string& label, TColor color);
};
