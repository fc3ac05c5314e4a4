// Chart.h - a titled chart that draws its bar and line series.
//
// Interface summary
//   TChart chart(parent);            white, unfilled back wall; no legend
//   chart.SetTitle("...")            the title above the plot
//   chart.AddBarSeries()             a TBarSeries owned by the chart
//   chart.AddLineSeries()            a TLineSeries owned by the chart
//   chart.BeginUpdate() ... EndUpdate()   draw once after many changes
//   chart.DrawnBarLabels() / DrawnLines() / DrawnAxisLabels()   for checks
//
// The series keep the points; the chart turns them into pictures. Every bar
// and every stretch of line is drawn in the colour of its point, each bar's
// label stands under its bar, non-finite values are left out of the picture
// (they stay in the series), and the axes write numbers as the lists do (the
// numeric locale's decimal separator, no digit grouping). The drawing engine is a private matter
// of Chart.cpp: nothing of it shows in this header.
#pragma once

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

private:
  // Each series of this chart calls it after every change: redraws now
  // unless an update is in progress.
  void SeriesChanged();

  struct Engine;
  std::unique_ptr<Engine> engine_;
};
