// Chart.h - a titled chart that draws its bar and line series.
//
// Interface summary
//   TChart chart(parent);            white, unfilled back wall; no legend
//   chart.SetTitle("...")            the title above the plot
//   chart.AddBarSeries()             a TBarSeries owned by the chart
//   chart.AddLineSeries()            a TLineSeries owned by the chart
//   chart.BeginUpdate() ... EndUpdate()   draw once after many changes
//   chart.DrawnBarLabels() / DrawnLines() / DrawnAxisLabels()   for checks
//   chart.SetTips(f)                 what hovering a bar or a line's point shows
//   chart.TipAt(place) / PlaceOf(series, i)   the tip at a place, a point's place
//
// The series keep the points; the chart turns them into pictures. Every bar
// and every stretch of line is drawn in the colour of its point, each bar's
// label stands under its bar, non-finite values are left out of the picture
// (they stay in the series), and the axes write numbers as the lists do (the
// numeric locale's decimal separator, no digit grouping). The drawing engine is a private matter
// of Chart.cpp: nothing of it shows in this header.
//
// Hovering shows a tip, drawn over the chart and not in it: anywhere in a
// bar's column, that bar's; within a few pixels of a line's point, the
// nearest point's. What it says comes from the tips function.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include <QRectF>
#include <QString>
#include <QWidget>

#include "ChartSeries.h"

// A bar label as drawn: its text and its place in chart coordinates.
struct TDrawnLabel {
  QString Text;
  QRectF Rect;
};

// One unbroken stretch of line in one colour.
struct TDrawnLine {
  TColor Color = 0;
  int PointCount = 0;
};

// The tip of point `index` of `series`; an empty text shows none.
using TChartTips = std::function<QString(const TChartSeries& series, int index)>;

class TChart : public QWidget {
public:
  explicit TChart(QWidget* parent = nullptr);
  ~TChart() override;
  TChart(const TChart&) = delete;
  TChart& operator=(const TChart&) = delete;

  // The title shown above the plot.
  void SetTitle(const QString& title);
  QString Title() const;

  // Adds an empty series drawn on this chart; the chart owns it.
  TBarSeries& AddBarSeries();
  TLineSeries& AddLineSeries();

  // Holds back drawing until the matching EndUpdate, which draws once.
  // Calls nest.
  void BeginUpdate();
  void EndUpdate();

  // What is on screen, for checks: the bar labels in bar order, the
  // stretches of line in order, and the axes' labels.
  std::vector<TDrawnLabel> DrawnBarLabels() const;
  std::vector<TDrawnLine> DrawnLines() const;
  std::vector<QString> DrawnAxisLabels() const;

  // What the tips say (none until set).
  void SetTips(TChartTips tips);
  // The tip hovering at `place` (the chart's own coordinates) shows; empty
  // when it is over no bar and near no point.
  QString TipAt(QPoint place) const;
  // Where point `index` of `series` stands on the chart (a bar: the middle
  // of its column), in the chart's own coordinates.
  QPoint PlaceOf(const TChartSeries& series, int index) const;

private:
  // Each series of this chart calls it after every change: redraws now
  // unless an update is in progress.
  void SeriesChanged();

  struct Engine;
  std::unique_ptr<Engine> engine_;
};
