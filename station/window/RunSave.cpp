#include "RunSave.h"

#include <QBuffer>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QStandardPaths>
#include <QWidget>

#include "AllOrNone.h"
#include "ErrorReport.h"
#include "NumberText.h"
#include "StationSettings.h"

namespace {

QString FolderKey(const QString& program) { return program + "/saveFolder"; }

// `chosen` without ".csv", "-analysis.csv" or ".png", so that picking one of
// an earlier run's files in the dialog names that run.
QString RunBase(QString chosen) {
  for (const QString& ending : {QStringLiteral("-analysis.csv"), QStringLiteral(".csv"), QStringLiteral(".png")}) {
    if (chosen.endsWith(ending, Qt::CaseInsensitive)) {
      chosen.chop(ending.size());
      break;
    }
  }
  return chosen;
}

// The last folder a run of `program` was saved in (the Documents folder the
// first time, or when that folder is gone) and "sigrx-" plus `time` as
// yyyy-MM-dd-HH-mm-ss.
QString ProposedRunPath(const QString& program, const QDateTime& time) {
  QString folder = StationSettings().value(FolderKey(program)).toString();
  if (folder.isEmpty() || !QFileInfo(folder).isDir())
    folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return QDir(folder).filePath(program + time.toString(QStringLiteral("-yyyy-MM-dd-HH-mm-ss")));
}

}  // namespace

QString SaveChartedRun(QWidget& window, const TChartedRun& run, const TRunSave& how) {
  const QString chosen = how.AskName ? how.AskName(&window, ProposedRunPath(how.Program, run.Time)) : QString();
  if (chosen.isEmpty()) return {};
  const QStringList paths = RunFiles(RunBase(chosen));
  QStringList existing;
  for (const QString& path : paths)
    if (QFileInfo(path).exists() || QFileInfo(path).isSymLink()) existing << path;
  if (!existing.isEmpty() && !(how.AskReplace && how.AskReplace(&window, existing))) return {};

  // The window as it is, at the screen's pixel density.
  QByteArray picture;
  QBuffer pictureBuffer(&picture);
  pictureBuffer.open(QIODevice::WriteOnly);
  QString failure;
  if (!window.grab().save(&pictureBuffer, "PNG")) {
    failure = QStringLiteral("the window's picture could not be made");
  } else {
    const std::string separator = LocaleDecimalSeparator();
    failure = WriteAllOrNone(
        paths, {QByteArray::fromStdString(SamplesCsv(run.Uniform, run.Normal, how.Titles, separator)),
                QByteArray::fromStdString(AnalysisCsv(run.Analysis, how.Titles, separator)), picture});
  }
  if (!failure.isEmpty()) {
    // Windows' texts end in a full stop of their own.
    while (failure.endsWith('.')) failure.chop(1);
    return QStringLiteral("The run was not saved: %1. No file of it was written.").arg(failure);
  }
  StationSettings().setValue(FolderKey(how.Program), QFileInfo(paths[0]).absolutePath());
  return {};
}

QStringList RunFiles(const QString& base) {
  return {base + QStringLiteral(".csv"), base + QStringLiteral("-analysis.csv"), base + QStringLiteral(".png")};
}

QString AskRunName(QWidget* parent, const QString& proposed) {
  if (!InteractivePlatform()) return {};
  // The three files share one question of ours, asked afterwards.
  return QFileDialog::getSaveFileName(parent, QStringLiteral("Save run"), proposed,
                                      QStringLiteral("Run files (*.csv *.png)"), nullptr,
                                      QFileDialog::DontConfirmOverwrite);
}

bool AskReplaceFiles(QWidget* parent, const QStringList& existing) {
  if (!InteractivePlatform()) return false;
  QStringList names;
  for (const QString& path : existing) names << QFileInfo(path).fileName();
  const QString question = QStringLiteral("%1 already there. Replace?")
                               .arg(names.join(QStringLiteral(", ")) + (names.size() == 1 ? QStringLiteral(" is") : QStringLiteral(" are")));
  return QMessageBox::question(parent, QGuiApplication::applicationDisplayName(), question) == QMessageBox::Yes;
}
