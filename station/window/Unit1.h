// Unit1.h - TForm1, the one window of a station.
//
// Interface summary
//   TForm1 form(profile);     builds the widgets, then runs profile.SetUp
//   form.Button1Click(this)   one run (profile.Run); failures are reported
//   form.FormClose(...)       ClearInput + Close on the port; on window close
//                             (no report when the last run found the line gone)
//   form.State()              the station's StationState
//   form.SetErrorReporter(f)  where failure sentences go (default ReportToUser)
//
// Fixed layout: a 945 x 631 client area at 227, 215 that cannot be resized,
// one wide button, two memos on the right and six charts in a 2 x 3 grid.
// No exception leaves an event handler: a port failure during a run or the
// close becomes one sentence for the error reporter and the window stays
// usable. An exception of the set-up leaves the constructor (the start-up
// reports it).
#pragma once

#include <memory>

#include <QWidget>

#include "ErrorReport.h"
#include "StationProfile.h"

class QCloseEvent;
class QPlainTextEdit;
class QPushButton;
class TBarSeries;
class TChart;
class TLineSeries;
struct StationState;

class TForm1 : public QWidget {
public:
  explicit TForm1(TStationProfile profile, QWidget* parent = nullptr);
  ~TForm1() override;
  TForm1(const TForm1&) = delete;
  TForm1& operator=(const TForm1&) = delete;

  // The widgets, in creation and tab order.
  QPushButton* Button1 = nullptr;
  QPlainTextEdit* Memo1 = nullptr;
  QPlainTextEdit* Memo2 = nullptr;
  TChart* Chart1 = nullptr;
  TChart* Chart5 = nullptr;
  TChart* Chart3 = nullptr;
  TChart* Chart6 = nullptr;
  TChart* Chart4 = nullptr;
  TChart* Chart2 = nullptr;
  // The series, owned by their charts.
  TBarSeries* Series1 = nullptr;
  TBarSeries* Series2 = nullptr;
  TLineSeries* Series3 = nullptr;
  TLineSeries* Series4 = nullptr;
  TLineSeries* Series5 = nullptr;
  TLineSeries* Series6 = nullptr;

  // One run of the station; a port failure is reported once.
  void Button1Click(QObject* Sender);

  // Discards the receive queue and closes the port (if still open); a failure
  // is reported once and the close goes on, silently when the last run
  // found the line gone. Leaves `Action` as it is.
  void FormClose(QObject* Sender, QCloseEvent* Action);

  // The station's state, alive as long as the window.
  StationState& State() { return *state_; }
  // The profile the window was built with.
  const TStationProfile& Profile() const { return profile_; }

  // Replaces the error reporter.
  void SetErrorReporter(TErrorReporter reporter) { reporter_ = std::move(reporter); }

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void Report(const QString& sentence);

  TStationProfile profile_;
  std::unique_ptr<StationState> state_;
  TErrorReporter reporter_ = ReportToUser;
  // The last run ended in a failure of the line itself (not a write time-out).
  bool lineGone_ = false;
};
