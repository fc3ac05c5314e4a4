// Unit1.h - TForm1, the one window of a station.
//
// Interface summary
//   TForm1 form(profile);     builds the widgets, then runs profile.SetUp
//   form.Button1Click(this)   one run (profile.Run); failures are reported; a
//                             press after the device was lost opens it first
//   form.FormClose(...)       ClearInput + Close on the port; on window close
//                             (no report when the last run found the line gone)
//   form.State()              the station's StationState
//   form.SetErrorReporter(f)  where failure sentences go (default ReportToUser)
//   form.OfferPortBox(b)      whether a failed reopen offers the port box
//   form.SaveRunAction        "Save run…": Ctrl+S, the lists' and charts' menus
//   form.RunCharted(state)    ShowAnalysis's news: this run is the one to save
//   form.SaveRun()            the charted run as NAME.csv, NAME-analysis.csv,
//                             NAME.png (RunSave.h); a failure is reported
//   form.CopyChart(chart)     the chart's picture to the clipboard ("Copy chart")
//   form.SetSaveDialogs(n, r) the name and replace questions (tests swap them)
//   form.CompareRunAction     "Compare with saved run…": the lists' and charts' menus
//   form.CompareWithSavedRun(p) the charted run against a saved NAME.csv (CompareRun.h)
//   form.Marks()              the lists' marks (ListMarks.h)
//
// Fixed layout: a 945 x 631 client area at 227, 215 that cannot be resized,
// one wide button, two memos on the right and six charts in a 2 x 3 grid.
// No exception leaves an event handler: a port failure during a run or the
// close becomes one sentence for the error reporter and the window stays
// usable. An exception of the set-up leaves the constructor (the start-up
// reports it).
// A lost device (IsDeviceLost: a pulled adapter, a hung-up line) is reported
// once like any failure, and the port is closed at once, so the device is
// free. The next press opens the same device again with the station's line
// (OpenStationPort) before its run; when that fails, the press reports the
// open's failure with this machine's ports and offers the port box of a
// failed start, where another device can be chosen; "Close" there leaves the
// window usable with its port closed, and the next press tries again.
// Nothing happens between presses: no timer, no polling. The save and copy entries are additions around the window: a
// save is not a run (lists, charts, port untouched), and they stay disabled
// until a run has reached the charts.
#pragma once

#include <memory>
#include <optional>
#include <vector>

#include <QWidget>

#include "CompareRun.h"
#include "ErrorReport.h"
#include "RunSave.h"
#include "StationProfile.h"

class QAction;
class QCloseEvent;
class QPlainTextEdit;
class QPushButton;
class TBarSeries;
class TChart;
class TLineSeries;
class TListMarks;
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
  // "Save run…", owned by the window; each chart's menu adds its own
  // "Copy chart".
  QAction* SaveRunAction = nullptr;
  // "Compare with saved run…" (CompareRun.h), owned by the window.
  QAction* CompareRunAction = nullptr;

  // One run of the station; a port failure is reported once.
  void Button1Click(QObject* Sender);

  // Discards the receive queue and closes the port (if still open); a failure
  // is reported once and the close goes on, silently when the last run
  // found the line gone. Leaves `Action` as it is.
  void FormClose(QObject* Sender, QCloseEvent* Action);

  // The station's state, alive as long as the window.
  StationState& State() { return *state_; }
  // The marks on the lists' lines.
  TListMarks& Marks() { return *marks_; }
  // The profile the window was built with.
  const TStationProfile& Profile() const { return profile_; }

  // Replaces the error reporter.
  void SetErrorReporter(TErrorReporter reporter) { reporter_ = std::move(reporter); }
  // Whether a press that cannot open the lost device again shows the port
  // box (else it reports the failure and the ports). Default: where a person
  // can answer it (InteractivePlatform).
  void OfferPortBox(bool offered) { offerPortBox_ = offered; }

  // The charts show the state's run now: keeps a copy of it to save and
  // enables the save and copy entries.
  void RunCharted(const StationState& state);
  // The run the charts show; none before the first.
  const std::optional<TChartedRun>& ChartedRun() const { return chartedRun_; }

  // Chart1..Chart6's titles.
  ChartTitles Titles() const;
  // Compares the charted run with the saved run at `path` (CompareRun.h) and
  // marks the samples that differ. Nothing before the first run.
  TCompareOutcome CompareWithSavedRun(const QString& path);
  // Saves the charted run with the charts' titles (SaveChartedRun); a
  // failure is reported. Nothing before the first run.
  void SaveRun();
  // Puts the chart's picture, as drawn, on the clipboard.
  void CopyChart(TChart& chart);
  // Replaces the file dialog and the replace question.
  void SetSaveDialogs(TRunNameAsker askName, TReplaceAsker askReplace) {
    askName_ = std::move(askName);
    askReplace_ = std::move(askReplace);
  }

protected:
  void closeEvent(QCloseEvent* event) override;

private:
  void Report(const QString& sentence);
  // Opens the lost device again, or one chosen in the port box. Returns
  // whether the port is open; a failure has been reported.
  bool ReopenPort();

  TStationProfile profile_;
  std::unique_ptr<StationState> state_;
  std::unique_ptr<TListMarks> marks_;
  TErrorReporter reporter_ = ReportToUser;
  // The last run ended in a failure of the line itself (not a write time-out).
  bool lineGone_ = false;
  // The port was closed because its device was lost: the next press opens it.
  bool portLost_ = false;
  bool offerPortBox_ = false;
  std::optional<TChartedRun> chartedRun_;
  std::vector<QAction*> copyChartActions_;
  TRunNameAsker askName_ = AskRunName;
  TReplaceAsker askReplace_ = AskReplaceFiles;
};
