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

}  // namespace

QString RunFolder(const QString& program) {
  const QString folder = StationSettings().value(FolderKey(program)).toString();
  if (folder.isEmpty() || !QFileInfo(folder).isDir())
    return QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return folder;
}

QString SaveChartedRun(QWidget& window, const TChartedRun& run, const TRunSave& how) {
  // The last folder and the program with the run's time: sigrx-2026-12-07-14-05-09.
  const QString proposed =
      QDir(RunFolder(how.Program)).filePath(how.Program + run.Time.toString(QStringLiteral("-yyyy-MM-dd-HH-mm-ss")));
  const QString chosen = how.AskName ? how.AskName(&window, proposed) : QString();
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
