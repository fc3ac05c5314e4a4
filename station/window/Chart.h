// Chart.h - a titled chart that draws its bar and line series.
//
// Interface summary
//   TChart chart(parent);            white, unfilled back wall; no legend
//   chart.SetTitle("...")            the title above the plot
//   chart.AddBarSeries()             a TBarSeries owned by the chart
//   chart.AddLineSeries()            a TLineSeries owned by the chart
//   chart.BeginUpdate() ... EndUpdate()   draw once after many changes
//   chart.DrawnBarLabels() / DrawnLines()  what is on screen, for checks
//
// The series keep the points; the chart turns them into pictures. Every bar
// and every stretch of line is drawn in the colour of its point, each bar's
// label stands under its bar, and non-finite values are left out of the
// picture (they stay in the series). The drawing engine is a private matter
// of Chart.cpp: nothing of it shows in this header.
#pragma once

#include <memory>
#include <vector>

#include <QRectF>
#include <QString>
#include <QWidget>

#include "ChartSeries.h"

class TBarSeries;
class TLineSeries;

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

class TChart : public QWidget {
public:
  explicit TChart(QWidget* parent = nullptr);
  ~TChart() override;
  TChart(const TChart&) = delete;
  TChart& operator=(const TChart&) = delete;

  // Sets the title shown above the plot. Returns nothing.
  void SetTitle(const QString& title);
  // The title. Returns it.
  QString Title() const;

  // Adds an empty bar series drawn on this chart. Returns it (owned by the chart).
  TBarSeries& AddBarSeries();
  // Adds an empty line series drawn on this chart. Returns it (owned by the chart).
  TLineSeries& AddLineSeries();

  // Holds back drawing until the matching EndUpdate, which draws once.
  // Calls nest. Returns nothing.
  void BeginUpdate();
  void EndUpdate();

  // Called by a series of this chart after every change: redraws now unless
  // an update is in progress. Returns nothing.
  void SeriesChanged();

  // The bar labels as drawn, in bar order. Returns them.
  std::vector<TDrawnLabel> DrawnBarLabels() const;
  // The stretches of line as drawn, in order. Returns them.
  std::vector<TDrawnLine> DrawnLines() const;

private:
  struct Engine;
  std::unique_ptr<Engine> engine_;
};
