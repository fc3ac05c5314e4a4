// StationView.h - what a station window shows, for the tests that compare a
// receiving window with the transmitting one.
//
// Interface summary
//   RecordingStation rx(ReceiverProfile(), path);   window on that device
//   rx.Reports                                      every error sentence, in order
//   rx.Press()                                      one run; seconds it took
//   Capture(form) / SameScreen(a, b)                memos and the six series
//   SamePoints(a, b)                                one series, bit for bit
//   LastLines(memo, n)                              the memo's last n lines
#pragma once

#include <chrono>
#include <cstring>
#include <string>
#include <vector>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTextBlock>

#include "ChartSeries.h"
#include "StationProfile.h"
#include "Unit1.h"

// Everything a run leaves on the screen.
struct Screen {
  QString Memo1, Memo2;
  std::vector<std::vector<TChartPoint>> Series;
};

// The points of the six series, Series1 first.
inline std::vector<std::vector<TChartPoint>> SeriesPoints(const TForm1& form) {
  std::vector<std::vector<TChartPoint>> points;
  for (const TChartSeries* s : {static_cast<const TChartSeries*>(form.Series1),
                                static_cast<const TChartSeries*>(form.Series2),
                                static_cast<const TChartSeries*>(form.Series3),
                                static_cast<const TChartSeries*>(form.Series4),
                                static_cast<const TChartSeries*>(form.Series5),
                                static_cast<const TChartSeries*>(form.Series6)})
    points.push_back(s->Points());
  return points;
}

// What the window shows now.
inline Screen Capture(const TForm1& form) {
  return Screen{form.Memo1->toPlainText(), form.Memo2->toPlainText(), SeriesPoints(form)};
}

// Bit-for-bit equality of values (a NaN equals itself), labels and colours,
// in order.
inline bool SamePoints(const std::vector<TChartPoint>& a, const std::vector<TChartPoint>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i].X, &b[i].X, sizeof(double)) != 0 ||
        std::memcmp(&a[i].Y, &b[i].Y, sizeof(double)) != 0 || a[i].Label != b[i].Label ||
        a[i].Color != b[i].Color)
      return false;
  return true;
}

// The screens agree in every memo line and every point.
inline bool SameScreen(const Screen& a, const Screen& b) {
  if (a.Memo1 != b.Memo1 || a.Memo2 != b.Memo2) return false;
  for (std::size_t s = 0; s < a.Series.size(); ++s)
    if (!SamePoints(a.Series[s], b.Series[s])) return false;
  return true;
}

// The memo's last `count` lines (fewer when it holds fewer).
inline QStringList LastLines(const QPlainTextEdit* memo, int count) {
  QStringList lines;
  for (QTextBlock b = memo->document()->lastBlock(); b.isValid() && lines.size() < count;
       b = b.previous())
    lines.prepend(b.text());
  return lines;
}

// A station window on `device` whose error reports are recorded instead of
// shown.
struct RecordingStation {
  QStringList Reports;
  TForm1 Form;

  RecordingStation(TStationProfile profile, const std::string& device)
      : Form([&] {
          profile.PortName = device;
          return profile;
        }()) {
    Form.SetErrorReporter([this](QWidget*, const QString& sentence) { Reports << sentence; });
  }

  // Presses Button1 as the user does. Returns the seconds the run took.
  double Press() {
    const auto start = std::chrono::steady_clock::now();
    Form.Button1->click();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
};
