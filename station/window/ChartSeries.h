// ChartSeries.h - the points of the chart series, kept as they were added.
//
// Interface summary
//   TColor                          a colour as 0x00BBGGRR
//   TChartPoint                     x, y, label and colour of one point
//   series.Clear()                  remove every point
//   series.Count() / Point(i)       read the points back (tests read them here)
//   TBarSeries::Add(v, label, c)    one bar after the others
//   TLineSeries::AddXY(x, y, l, c)  one point, kept in ascending x
//
// A series stores every point exactly as given, non-finite values included;
// its chart (Chart.h) decides how to draw them. The series holds no Qt type
// and knows nothing of its chart: the chart hands it a callback to call after
// every change, so the dependency runs one way, from the chart to its series.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

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
  // What the series calls after every change of its points.
  using ChangeHandler = std::function<void()>;

  virtual ~TChartSeries() = default;
  TChartSeries(const TChartSeries&) = delete;
  TChartSeries& operator=(const TChartSeries&) = delete;

  // Removes every point.
  void Clear();

  int Count() const { return static_cast<int>(points_.size()); }

  // Point `index` (0..Count()-1) in the series' order; the reference is
  // valid until the series changes.
  const TChartPoint& Point(int index) const;

  // All points in order; the reference is valid until the series changes.
  const std::vector<TChartPoint>& Points() const { return points_; }

protected:
  explicit TChartSeries(ChangeHandler changed) : changed_(std::move(changed)) {}

  // Stores `point` at `index`. Returns the index.
  int Insert(std::size_t index, TChartPoint point);

private:
  ChangeHandler changed_;
  std::vector<TChartPoint> points_;
};

// Bars, one per Add, in the order added; each keeps its height, its label
// (drawn under the bar) and its colour.
class TBarSeries : public TChartSeries {
public:
  explicit TBarSeries(ChangeHandler changed) : TChartSeries(std::move(changed)) {}

  // Appends one bar after the existing ones, at x = its position. Returns
  // that position.
  int Add(double value, const std::string& label, TColor color);
};

// A line through points kept in ascending x; the stretch of line that leads
// to a point is drawn in that point's colour.
class TLineSeries : public TChartSeries {
public:
  explicit TLineSeries(ChangeHandler changed) : TChartSeries(std::move(changed)) {}

  // Inserts one point after every point whose x is not greater (equal x keep
  // the order of adding). Returns its index.
  int AddXY(double x, double y, const std::string& label, TColor color);
};
