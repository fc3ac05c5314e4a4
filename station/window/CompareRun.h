// CompareRun.h - "Compare with saved run…": the run the window shows set
// against the samples file (NAME.csv) that "Save run" wrote, at either
// station.
//
// Interface summary
//   CompareWithSavedRun(shown, path, marks)   marks the differing samples; the box's text, or why not
//   MakeCompareBox(parent, outcome)           the one box that says it
//   AskSavedRun(parent, program)              the file dialog, in the folder runs are saved in
//
// The transmitter's run is the sent one: at sigrx the file holds what was
// sent and the window what was received; at sigtx the other way round. A
// file that is not a saved run gets one sentence naming the file and the
// line, and the window stays as it was. Comparing is not a run: the lists'
// text, the charts and the port stay as they were.
#pragma once

#include <memory>

#include <QString>

#include "RunCsv.h"

class QMessageBox;
class QWidget;
class TListMarks;
struct TChartedRun;

struct TCompareOutcome {
  bool Compared = false;
  QString Text;  // the comparison, or the sentence saying why there is none
};

// The run a window shows, and what the compare needs to know of the window.
struct TShownRun {
  const TChartedRun& Run;
  QString Program;  // "sigtx" shows the sent run, "sigrx" the received one
  ChartTitles Titles;
};

// Reads `path`, compares it with the shown run and marks the samples that
// differ in the lists.
TCompareOutcome CompareWithSavedRun(const TShownRun& shown, const QString& path, TListMarks& marks);

// The box of an outcome, its text selectable, over `parent`.
std::unique_ptr<QMessageBox> MakeCompareBox(QWidget* parent, const TCompareOutcome& outcome);

// Asks for a NAME.csv in the folder runs of `program` are saved in. Returns
// the path, empty when cancelled or where nobody could answer (offscreen).
QString AskSavedRun(QWidget* parent, const QString& program);
