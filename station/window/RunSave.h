// RunSave.h - saving the run the charts show, for a lab report: its samples,
// the charts' numbers and a picture of the window, as three files written
// all together or not at all.
//
// Interface summary
//   TChartedRun                          the run the charts show: samples, analysis, time
//   SaveChartedRun(window, run, how)     asks, writes, remembers; "" or the failure sentence
//   RunFiles(base)                       base.csv, base-analysis.csv, base.png
//   RunFolder(program)                   where the program's runs were last saved
//   AskRunName / AskReplaceFiles         the dialogs a save uses unless a test swaps them
//
// The name proposed is the last folder a run of the program was saved in
// (else Documents) and the program's name with the run's time,
// sigrx-2026-12-07-14-05-09; picking one of an earlier run's files names
// that run. The CSV text is the core's (RunCsv.h) with the numeric locale's
// decimal separator; the files are written by WriteAllOrNone (AllOrNone.h);
// the folder is remembered in the station's settings (StationSettings.h).
#pragma once

#include <functional>

#include <QDateTime>
#include <QString>
#include <QStringList>

#include "RunCsv.h"
#include "StationTypes.h"

class QWidget;

// A copy of the run that reached the charts: a later run that stops early
// (a frame cut short, a failed send) may overwrite the station's buffers
// without charting them.
struct TChartedRun {
  UniformSamples Uniform{};
  NormalSamples Normal{};
  SignalAnalysis Analysis{};
  QDateTime Time;  // local time the charts received the run
};

// Asks for the name to save a run under, proposing `proposed`. Returns the
// chosen path, empty when the person cancelled.
using TRunNameAsker = std::function<QString(QWidget* parent, const QString& proposed)>;
// Asks whether to replace the run files that exist already.
using TReplaceAsker = std::function<bool(QWidget* parent, const QStringList& existing)>;

// What a save needs besides the run and the window's picture.
struct TRunSave {
  QString Program;  // "sigtx": the proposed name, the folder setting's group
  ChartTitles Titles;
  TRunNameAsker AskName;
  TReplaceAsker AskReplace;
};

// Asks for a name, asks once before replacing any of the three files, then
// writes the run's two CSV files and `window`'s picture as it is, all or
// none, and remembers the folder for the next proposal. Returns "" when
// saved or cancelled; else the sentence to report.
QString SaveChartedRun(QWidget& window, const TChartedRun& run, const TRunSave& how);

// The last folder a run of `program` was saved in; the Documents folder the
// first time, or when that folder is gone.
QString RunFolder(const QString& program);

// The three files of a run saved as `base` (a path without an ending).
QStringList RunFiles(const QString& base);

// The file dialog and the question; where nobody could answer (offscreen),
// they answer "cancel" and "no".
QString AskRunName(QWidget* parent, const QString& proposed);
bool AskReplaceFiles(QWidget* parent, const QStringList& existing);
