#include "CompareRun.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QMessageBox>

#include "Chart.h"
#include "ErrorReport.h"
#include "ListMarks.h"
#include "NumberText.h"
#include "RunComparison.h"
#include "RunCsv.h"
#include "RunSave.h"
#include "Unit1.h"

namespace {

// A saved run's samples take about 4 KiB; a file far larger is none, and is
// not read whole into memory.
constexpr qint64 MostBytes = 1 << 20;

}  // namespace

TCompareOutcome CompareWithSavedRun(TForm1& form, const QString& path) {
  if (!form.ChartedRun()) return {};
  const QString name = QDir::toNativeSeparators(path);
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly))
    return {false, QStringLiteral("%1 could not be read: %2.").arg(name, file.errorString())};
  const QByteArray bytes = file.read(MostBytes + 1);
  if (bytes.size() > MostBytes)
    return {false, QStringLiteral("%1 is not a saved run: it is over 1 MiB, where a saved run's samples take "
                                  "about 4 KiB.").arg(name)};
  const TSamplesCsvRead saved = ReadSamplesCsv(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                                               form.Chart1->Title().toStdString(), form.Chart2->Title().toStdString());
  if (!saved.Ok)
    return {false, QStringLiteral("%1 is not a saved run: line %2: %3.")
                       .arg(name)
                       .arg(saved.Line)
                       .arg(QString::fromStdString(saved.Problem))};

  const TChartedRun& shown = *form.ChartedRun();
  const std::string fileName = QFileInfo(path).fileName().toStdString();
  const std::string shownName = "the run this window shows (" + form.Profile().Program.toStdString() + ", " +
                                shown.Time.toString(QStringLiteral("HH:mm:ss")).toStdString() + ")";
  // The transmitter's run is the one sent.
  const bool shownWasSent = form.Profile().Program == QStringLiteral("sigtx");
  const UniformSamples& sentUniform = shownWasSent ? shown.Uniform : saved.Uniform;
  const NormalSamples& sentNormal = shownWasSent ? shown.Normal : saved.Normal;
  const UniformSamples& receivedUniform = shownWasSent ? saved.Uniform : shown.Uniform;
  const NormalSamples& receivedNormal = shownWasSent ? saved.Normal : shown.Normal;
  const TRunComparison comparison = CompareRuns(sentUniform, sentNormal, receivedUniform, receivedNormal);

  std::vector<int> uniform, normal;
  for (const TSampleDifference& d : comparison.Differences) (d.Normal ? normal : uniform).push_back(d.Index);
  form.Marks().MarkDifferences(uniform, normal);
  const std::string text =
      ComparisonText(comparison, sentUniform, sentNormal, receivedUniform, receivedNormal,
                     shownWasSent ? shownName : fileName, shownWasSent ? fileName : shownName, LocaleDecimalSeparator());
  return {true, QString::fromStdString(text)};
}

std::unique_ptr<QMessageBox> MakeCompareBox(TForm1& form, const TCompareOutcome& outcome) {
  auto box = std::make_unique<QMessageBox>(outcome.Compared ? QMessageBox::Information : QMessageBox::Warning,
                                           QGuiApplication::applicationDisplayName(), outcome.Text, QMessageBox::Ok,
                                           &form);
  // Plain text: a file name is the user's; selectable, so the figures can
  // go into a report.
  box->setTextFormat(Qt::PlainText);
  box->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
  // Wide enough for a difference of two long floats on one line.
  box->setStyleSheet(QStringLiteral("QLabel#qt_msgbox_label { min-width: 26em; }"));
  return box;
}

void AskAndCompare(TForm1& form) {
  if (!form.ChartedRun() || !InteractivePlatform()) return;
  const QString folder = QFileInfo(ProposedRunPath(form.Profile().Program, QDateTime::currentDateTime())).path();
  const QString path = QFileDialog::getOpenFileName(&form, QStringLiteral("Compare with saved run"), folder,
                                                    QStringLiteral("Saved runs (*.csv)"));
  if (path.isEmpty()) return;
  MakeCompareBox(form, CompareWithSavedRun(form, path))->exec();
}
