#include "ChartSeries.h"

#include <utility>

#include "Chart.h"

void TChartSeries::Clear() {
  points_.clear();
  owner_.SeriesChanged();
}

int TChartSeries::Count() const { return static_cast<int>(points_.size()); }

const TChartPoint& TChartSeries::Point(int index) const {
  return points_.at(static_cast<std::size_t>(index));
}

int TChartSeries::Insert(std::size_t index, TChartPoint point) {
  points_.insert(points_.begin() + static_cast<std::ptrdiff_t>(index), std::move(point));
  owner_.SeriesChanged();
  return static_cast<int>(index);
}

