#include "ChartSeries.h"

#include <utility>

void TChartSeries::Clear() {
  points_.clear();
  if (changed_) changed_();
}

const TChartPoint& TChartSeries::Point(int index) const {
  return points_.at(static_cast<std::size_t>(index));
}

int TChartSeries::Insert(std::size_t index, TChartPoint point) {
  points_.insert(points_.begin() + static_cast<std::ptrdiff_t>(index), std::move(point));
  if (changed_) changed_();
  return static_cast<int>(index);
}

int TBarSeries::Add(double value, const std::string& label, TColor color) {
  const auto position = static_cast<std::size_t>(Count());
  return Insert(position, {static_cast<double>(position), value, label, color});
}

int TLineSeries::AddXY(double x, double y, const std::string& label, TColor color) {
  // Search from the end: points nearly always arrive in ascending x.
  std::size_t index = Points().size();
  while (index > 0 && Points()[index - 1].X > x) --index;
  return Insert(index, {x, y, label, color});
}
