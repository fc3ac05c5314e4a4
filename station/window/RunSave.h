// RunSave.h - saving the run the charts show, for a lab report: its samples,
// the charts' numbers and a picture of the window, as three files written
// all together or not at all.
//
// Interface summary
//   TChartedRun                          the run the charts show: samples, analysis, time
//   RunFiles(base)                       base.csv, base-analysis.csv, base.png
//   RunBase(chosen)                      a chosen name without a run file's ending
//   SamplesCsv(form, run, sep)           index, integer sample, float sample
//   AnalysisCsv(form, run, sep)          the histograms by bar, the four curves by lag
//   WriteAllOrNone(paths, contents)      temporary files, then renames; "" or why not
//   ProposedRunPath(program, time)       last folder (else Documents)/sigrx-2026-12-07-14-05-09
//   RememberRunFolder(program, folder)   for the next proposal
//   AskRunName / AskReplaceFiles         the dialogs TForm1 uses unless a test swaps them
//
// Numbers are the lists' number text (NumberText.h) with the decimal
// separator `sep`; the CSV field separator is ";" beside a decimal comma,
// else "," (what a spreadsheet of that locale expects). The CSV files are
// UTF-8 with a byte-order mark, which spreadsheets need to read the Cyrillic
// titles as UTF-8. The folder setting lives beside the port's (StationSettings.h).
#pragma once

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include <QByteArray>
#include <QDateTime>
#include <QStringList>

#include "StationTypes.h"

class QWidget;
class TForm1;

// A copy of the run that reached the charts: a later run that stops early
// (a frame cut short, a failed send) may overwrite the station's buffers
// without charting them.
struct TChartedRun {
  UniformSamples Uniform{};
  NormalSamples Normal{};
  SignalAnalysis Analysis{};
  QDateTime Time;  // local time the charts received the run
};

// The three files of a run saved as `base` (a path without an ending).
QStringList RunFiles(const QString& base);

// `chosen` without ".csv", "-analysis.csv" or ".png", so that picking one of
// an earlier run's files in the dialog names that run.
QString RunBase(QString chosen);

// NAME.csv: a header row with the two histograms' titles, then per sample
// its index from 0, the integer sample and the float sample.
std::string SamplesCsv(const TForm1& form, const TChartedRun& run, std::string_view decimalSeparator);

// NAME-analysis.csv: the ten bars of both histograms in chart order (the
// bin each stands for, its lower edge, its count), a blank line, then per
// lag the values of the four curves, each headed by its chart's title.
std::string AnalysisCsv(const TForm1& form, const TChartedRun& run, std::string_view decimalSeparator);

// Writes contents[i] to paths[i], each first to a temporary file beside it,
// then renames them into place. Returns "" when all are written; else a
// sentence saying which file failed and why, with none of the files and no
// temporary file left behind.
QString WriteAllOrNone(const QStringList& paths, const std::vector<QByteArray>& contents);

// The last folder a run of `program` was saved in (the Documents folder the
// first time, or when that folder is gone) and "sigrx-" plus `time` as
// yyyy-MM-dd-HH-mm-ss.
QString ProposedRunPath(const QString& program, const QDateTime& time);
void RememberRunFolder(const QString& program, const QString& folder);

// Asks for the name to save a run under, proposing `proposed`. Returns the
// chosen path, empty when the person cancelled.
using TRunNameAsker = std::function<QString(QWidget* parent, const QString& proposed)>;
// Asks whether to replace the run files that exist already.
using TReplaceAsker = std::function<bool(QWidget* parent, const QStringList& existing)>;

// The file dialog and the question; where nobody could answer (offscreen),
// they answer "cancel" and "no".
QString AskRunName(QWidget* parent, const QString& proposed);
bool AskReplaceFiles(QWidget* parent, const QStringList& existing);
