#include "CompareRun.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>

#include "ErrorReport.h"
#include "ListMarks.h"
#include "NumberText.h"
#include "RunComparison.h"
#include "RunCsv.h"
#include "RunSave.h"

namespace {

// A saved run's samples take about 4 KiB; a file far larger is none, and is
// not read whole into memory.
constexpr qint64 MostBytes = 1 << 20;

}  // namespace

TCompareOutcome CompareWithSavedRun(const TShownRun& shown, const QString& path, TListMarks& marks) {
  const QString name = QDir::toNativeSeparators(path);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return {false, QStringLiteral("%1 could not be read: %2.").arg(name, file.errorString())};
  const QByteArray bytes = file.read(MostBytes + 1);
  if (bytes.size() > MostBytes)
    return {false, QStringLiteral("%1 is not a saved run: it is over 1 MiB, where a saved run's samples take "
                                  "about 4 KiB.").arg(name)};
  const TSamplesCsvRead saved = ReadSamplesCsv(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                                               shown.Titles[0], shown.Titles[1]);
  if (!saved.Ok)
    return {false, QStringLiteral("%1 is not a saved run: line %2: %3.")
                       .arg(name)
                       .arg(saved.Line)
                       .arg(QString::fromStdString(saved.Problem))};

  const TChartedRun& run = shown.Run;
  const std::string fileName = QFileInfo(path).fileName().toStdString();
  const std::string shownName = "the run this window shows (" + shown.Program.toStdString() + ", " +
                                run.Time.toString(QStringLiteral("HH:mm:ss")).toStdString() + ")";
  // The transmitter's run is the one sent.
  const bool shownWasSent = shown.Program == QStringLiteral("sigtx");
  const UniformSamples& sentUniform = shownWasSent ? run.Uniform : saved.Uniform;
  const NormalSamples& sentNormal = shownWasSent ? run.Normal : saved.Normal;
  const UniformSamples& receivedUniform = shownWasSent ? saved.Uniform : run.Uniform;
  const NormalSamples& receivedNormal = shownWasSent ? saved.Normal : run.Normal;
  const TRunComparison comparison = CompareRuns(sentUniform, sentNormal, receivedUniform, receivedNormal);

  std::vector<int> uniform, normal;
  for (const TSampleDifference& d : comparison.Differences) (d.Normal ? normal : uniform).push_back(d.Index);
  marks.MarkDifferences(uniform, normal);
  const std::string text =
      ComparisonText(comparison, sentUniform, sentNormal, receivedUniform, receivedNormal,
                     shownWasSent ? shownName : fileName, shownWasSent ? fileName : shownName, LocaleDecimalSeparator());
  return {true, QString::fromStdString(text)};
}

std::unique_ptr<QMessageBox> MakeCompareBox(QWidget* parent, const TCompareOutcome& outcome) {
  auto box = std::make_unique<QMessageBox>(outcome.Compared ? QMessageBox::Information : QMessageBox::Warning,
                                           QGuiApplication::applicationDisplayName(), outcome.Text, QMessageBox::Ok,
                                           parent);
  // Plain text: a file name is the user's; selectable, so the figures can
  // go into a report.
  box->setTextFormat(Qt::PlainText);
  box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  // Wide enough for a difference of two long floats on one line.
  box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { min-width: 26em; }"));
  return box;
}

QString AskSavedRun(QWidget* parent, const QString& program) {
  if (!InteractivePlatform()) return {};
  return QFileDialog::getOpenFileName(parent, QStringLiteral("Compare with saved run"), RunFolder(program),
                                      QStringLiteral("Saved runs (*.csv)"));
}
