// ChartSeries.h - the points of one chart series, kept as they were added.
//
// Interface summary
//   TColor                          a colour as 0x00BBGGRR
//   TChartPoint                     x, y, label and colour of one point
//   series.Clear()                  remove every point
//   series.Count() / Point(i)       read the points back (tests read them here)
//   TBarSeries::Add, TLineSeries::AddXY (own headers) add points
//
// A series stores every point exactly as given, non-finite values included;
// its chart (Chart.h) decides how to draw them. The series holds no Qt type,
// so the rendering stays a private matter of the chart.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

class TChart;

// A colour value of the form 0x00BBGGRR: blue, green, red from high to low.
using TColor = std::uint32_t;

struct TChartPoint {
  double X = 0;
  double Y = 0;
  std::string Label;
  TColor Color = 0;
};

class TChartSeries {
public:
  virtual ~TChartSeries() = default;
  TChartSeries(const TChartSeries&) = delete;
  TChartSeries& operator=(const TChartSeries&) = delete;

  // Removes every point and tells the chart. Returns nothing.
  void Clear();

  // The number of points. Returns it.
  int Count() const;

  // Point `index` (0..Count()-1) in the series' order. Returns a reference
  // valid until the series changes.
  const TChartPoint& Point(int index) const;

  // All points in order. Returns a reference valid until the series changes.
  const std::vector<TChartPoint>& Points() const { return points_; }

protected:
  explicit TChartSeries(TChart& owner) : owner_(owner) {}

  // Stores `point` at `index` and tells the chart. Returns the index.
  int Insert(std::size_t index, TChartPoint point);

private:
  TChart& owner_;
  std::vector<TChartPoint> points_;
};
