// CompareRun.h - "Compare with saved run…": the run the window shows set
// against the samples file (NAME.csv) that "Save run" wrote, at either
// station.
//
// Interface summary
//   CompareWithSavedRun(form, path)   marks the differing samples; the box's text, or why not
//   MakeCompareBox(form, outcome)     the one box that says it
//   AskAndCompare(form)               the menu entry: a file dialog, then the box
//
// The transmitter's run is the sent one: at sigrx the file holds what was
// sent and the window what was received; at sigtx the other way round. A
// file that is not a saved run gets one sentence naming the file and the
// line, and the window stays as it was. Comparing is not a run: the lists'
// text, the charts and the port stay as they were.
#pragma once

#include <memory>

#include <QString>

class QMessageBox;
class TForm1;

struct TCompareOutcome {
  bool Compared = false;
  QString Text;  // the comparison, or the sentence saying why there is none
};

// Reads `path`, compares it with the charted run and marks the samples that
// differ in the lists. Nothing before the first run.
TCompareOutcome CompareWithSavedRun(TForm1& form, const QString& path);

// The box of an outcome, its text selectable, over the window.
std::unique_ptr<QMessageBox> MakeCompareBox(TForm1& form, const TCompareOutcome& outcome);

// Asks for a NAME.csv in the folder runs are saved in, compares, and shows
// the box. Where nobody could answer a dialog (offscreen) it does nothing.
void AskAndCompare(TForm1& form);
