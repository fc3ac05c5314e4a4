#include "RunSave.h"

#include <filesystem>
#include <system_error>

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>
#include <QRandomGenerator>
#include <QSettings>
#include <QStandardPaths>

#include "AnalysisDisplay.h"
#include "Chart.h"
#include "ErrorReport.h"
#include "NumberText.h"
#include "StationSettings.h"
#include "Unit1.h"

namespace {

// Spreadsheets read the file as UTF-8 only with it.
constexpr const char* ByteOrderMark = "\xEF\xBB\xBF";

QString FolderKey(const QString& program) { return program + "/saveFolder"; }

// Fields never need quoting: the numbers use the other separator, and the
// titles hold neither separator nor quote.
class CsvText {
public:
  explicit CsvText(std::string_view decimalSeparator)
      : decimal_(decimalSeparator), field_(decimalSeparator == "," ? ';' : ',') {}

  CsvText& Text(const QString& text) { return Field(text.toStdString()); }
  CsvText& Int(int value) { return Field(IntToStr(value)); }
  CsvText& Float(float value) { return Field(FloatToStr(static_cast<long double>(value), decimal_)); }
  CsvText& EndRow() {
    text_ += '\n';
    rowStarted_ = false;
    return *this;
  }
  std::string Take() { return std::move(text_); }

private:
  CsvText& Field(const std::string& field) {
    if (rowStarted_) text_ += field_;
    text_ += field;
    rowStarted_ = true;
    return *this;
  }

  std::string decimal_;
  char field_;
  std::string text_ = ByteOrderMark;
  bool rowStarted_ = false;
};

std::filesystem::path FsPath(const QString& path) { return QFileInfo(path).filesystemFilePath(); }

// Writes `content` to a new file beside `path`. Returns its name, or "" with
// `error` set (nothing left behind).
QString WriteTemporary(const QString& path, const QByteArray& content, QString& error) {
  QFile file;
  // A fresh name each time, opened only if new: never someone else's file.
  // Opened as a plain new file, it gets the modes of any file the user makes.
  for (int attempt = 0;; ++attempt) {
    file.setFileName(path + QStringLiteral(".part-%1").arg(QRandomGenerator::global()->generate(), 8, 16, QLatin1Char('0')));
    if (file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) break;
    // Only a name taken already is worth another try.
    if (!file.exists() || attempt == 9) {
      error = file.errorString();
      return {};
    }
  }
  // A full disk shows in the write, the flush or the close.
  const bool written = file.write(content) == content.size() && file.flush();
  if (!written) error = file.errorString();
  file.close();
  if (written && file.error() != QFileDevice::NoError) error = file.errorString();
  if (!error.isEmpty()) {
    file.remove();
    return {};
  }
  return file.fileName();
}

}  // namespace

QStringList RunFiles(const QString& base) {
  return {base + QStringLiteral(".csv"), base + QStringLiteral("-analysis.csv"), base + QStringLiteral(".png")};
}

QString RunBase(QString chosen) {
  for (const QString& ending : {QStringLiteral("-analysis.csv"), QStringLiteral(".csv"), QStringLiteral(".png")}) {
    if (chosen.endsWith(ending, Qt::CaseInsensitive)) {
      chosen.chop(ending.size());
      break;
    }
  }
  return chosen;
}

std::string SamplesCsv(const TForm1& form, const TChartedRun& run, std::string_view decimalSeparator) {
  CsvText csv(decimalSeparator);
  csv.Text(QStringLiteral("index")).Text(form.Chart1->Title()).Text(form.Chart2->Title()).EndRow();
  for (std::size_t i = 0; i < SAMPLE_COUNT; ++i)
    csv.Int(static_cast<int>(i)).Int(run.Uniform[i]).Float(run.Normal[i]).EndRow();
  return csv.Take();
}

std::string AnalysisCsv(const TForm1& form, const TChartedRun& run, std::string_view decimalSeparator) {
  const SignalAnalysis& a = run.Analysis;
  CsvText csv(decimalSeparator);
  const QString bin = QStringLiteral("bin"), edge = QStringLiteral("lower edge");
  csv.Text(QStringLiteral("bar"));
  for (const TChart* chart : {form.Chart1, form.Chart2}) csv.Text(bin).Text(edge).Text(chart->Title());
  csv.EndRow();
  for (std::size_t bar = 0; bar < BIN_COUNT; ++bar) {
    const auto normal = static_cast<std::size_t>(NormalBarOrder[bar]);
    csv.Int(static_cast<int>(bar));
    csv.Int(static_cast<int>(bar)).Float(a.UniformEdges[bar]).Float(a.UniformCounts[bar]);
    csv.Int(NormalBarOrder[bar]).Float(a.NormalEdges[normal]).Float(a.NormalCounts[normal]);
    csv.EndRow();
  }
  csv.EndRow();
  csv.Text(QStringLiteral("lag"));
  for (const TChart* chart : {form.Chart3, form.Chart4, form.Chart5, form.Chart6}) csv.Text(chart->Title());
  csv.EndRow();
  for (std::size_t k = 0; k < LAG_COUNT; ++k) {
    csv.Int(static_cast<int>(k)).Float(a.UniformAutocorr[k]).Float(a.NormalAutocorr[k]);
    csv.Float(a.CentredCrossSum[k]).Float(a.CrossSum[k]).EndRow();
  }
  return csv.Take();
}

QString WriteAllOrNone(const QStringList& paths, const std::vector<QByteArray>& contents) {
  QStringList temporary;
  QStringList placed;
  QString failure;
  for (qsizetype i = 0; i < paths.size() && failure.isEmpty(); ++i) {
    QString error;
    const QString name = WriteTemporary(paths[i], contents[static_cast<std::size_t>(i)], error);
    if (name.isEmpty())
      failure = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(paths[i]), error);
    else
      temporary << name;
  }
  // Only once every file is whole does one take a run file's name: a
  // rename replaces a file at once, so no reader sees half a file.
  for (qsizetype i = 0; i < temporary.size() && failure.isEmpty(); ++i) {
    std::error_code error;
    std::filesystem::rename(FsPath(temporary[i]), FsPath(paths[i]), error);
    if (error)
      failure = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(paths[i]), QString::fromLocal8Bit(error.message()));
    else
      placed << paths[i];
  }
  if (failure.isEmpty()) return {};
  for (const QString& name : placed) QFile::remove(name);
  for (const QString& name : temporary.mid(placed.size())) QFile::remove(name);
  return failure;
}

QString ProposedRunPath(const QString& program, const QDateTime& time) {
  QSettings settings(QSettings::UserScope, kSettingsOrganisation, kSettingsApplication);
  QString folder = settings.value(FolderKey(program)).toString();
  if (folder.isEmpty() || !QFileInfo(folder).isDir())
    folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
  return QDir(folder).filePath(program + time.toString(QStringLiteral("-yyyy-MM-dd-HH-mm-ss")));
}

void RememberRunFolder(const QString& program, const QString& folder) {
  QSettings settings(QSettings::UserScope, kSettingsOrganisation, kSettingsApplication);
  settings.setValue(FolderKey(program), folder);
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
