#include "Unit1.h"

#include <exception>
#include <optional>

#include <QAction>
#include <QClipboard>
#include <QCloseEvent>
#include <QGuiApplication>
#include <QIcon>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include "Chart.h"
#include "ChartSeries.h"
#include "ChartTips.h"
#include "CommPort.h"
#include "ListMarks.h"
#include "PortDialog.h"
#include "PortText.h"
#include "StationSetUp.h"
#include "StationState.h"
#include "TextOutput.h"

namespace {

QFont StationFont(int pixelSize, bool bold) {
  QFont font(QStringLiteral("MS Sans Serif"));
  // Where that family is missing, the system's sans family stands in.
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  font.setBold(bold);
  return font;
}

QPlainTextEdit* MakeMemo(QWidget* parent, const char* name, QRect place) {
  auto* memo = new QPlainTextEdit(parent);
  memo->setObjectName(QLatin1String(name));
  memo->setGeometry(place);
  memo->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
  memo->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  return memo;
}

TChart* MakeChart(QWidget* parent, const char* name, QRect place, const QString& title) {
  auto* chart = new TChart(parent);
  chart->setObjectName(QLatin1String(name));
  chart->setGeometry(place);
  chart->SetTitle(title);
  chart->setFocusPolicy(Qt::TabFocus);
  return chart;
}

}  // namespace

TForm1::TForm1(TStationProfile profile, QWidget* parent)
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      profile_(std::move(profile)),
      state_(std::make_unique<StationState>()) {
  setObjectName(QStringLiteral("Form1"));
  setWindowTitle(profile_.Caption);
  if (!profile_.IconPath.isEmpty()) setWindowIcon(QIcon(profile_.IconPath));
  setFont(StationFont(11, false));
  QPalette face = palette();
  face.setBrush(QPalette::Window, face.button());
  setPalette(face);
  setAutoFillBackground(true);
  move(227, 215);
  setFixedSize(945, 631);

  Button1 = new QPushButton(profile_.ButtonCaption, this);
  Button1->setObjectName(QStringLiteral("Button1"));
  Button1->setGeometry(8, 8, 929, 33);
  Button1->setFont(StationFont(19, true));
  Memo1 = MakeMemo(this, "Memo1", {744, 48, 193, 281});
  Memo2 = MakeMemo(this, "Memo2", {744, 336, 193, 289});
  marks_ = std::make_unique<TListMarks>(*Memo1, *Memo2);
  Chart1 = MakeChart(this, "Chart1", {8, 48, 361, 185}, QStringLiteral("Рівномірний розподіл (РР)"));
  Chart5 = MakeChart(this, "Chart5", {8, 424, 361, 201}, QStringLiteral("Кореляція"));
  Chart3 = MakeChart(this, "Chart3", {8, 240, 361, 176}, QStringLiteral("Автокореляція РР"));
  Chart6 = MakeChart(this, "Chart6", {376, 424, 361, 201}, QStringLiteral("Коваріація"));
  Chart4 = MakeChart(this, "Chart4", {376, 240, 361, 176}, QStringLiteral("Автокореляція НР"));
  Chart2 = MakeChart(this, "Chart2", {376, 48, 361, 185}, QStringLiteral("Нормальний Розподіл (НР)"));
  Series1 = &Chart1->AddBarSeries();
  Series2 = &Chart2->AddBarSeries();
  Series3 = &Chart3->AddLineSeries();
  Series4 = &Chart4->AddLineSeries();
  Series5 = &Chart5->AddLineSeries();
  Series6 = &Chart6->AddLineSeries();

  QWidget* const order[] = {Button1, Memo1, Memo2, Chart1, Chart5, Chart3, Chart6, Chart4, Chart2};
  for (std::size_t i = 1; i < std::size(order); ++i) setTabOrder(order[i - 1], order[i]);

  QObject::connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(Button1); });

  SaveRunAction = new QAction(QStringLiteral("Save run…"), this);
  SaveRunAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_S));
  SaveRunAction->setEnabled(false);
  addAction(SaveRunAction);  // Ctrl+S wherever the focus is in the window
  QObject::connect(SaveRunAction, &QAction::triggered, this, [this] { SaveRun(); });
  CompareRunAction = new QAction(QStringLiteral("Compare with saved run…"), this);
  CompareRunAction->setEnabled(false);
  QObject::connect(CompareRunAction, &QAction::triggered, this, [this] {
    const QString path = AskSavedRun(this, profile_.Program);
    if (!path.isEmpty()) MakeCompareBox(this, CompareWithSavedRun(path))->exec();
  });
  // The lists keep their own menu (Copy, Select All, ...), the save added.
  for (QPlainTextEdit* memo : {Memo1, Memo2}) {
    memo->setContextMenuPolicy(Qt::CustomContextMenu);
    QObject::connect(memo, &QWidget::customContextMenuRequested, this, [this, memo](QPoint at) {
      const std::unique_ptr<QMenu> menu(memo->createStandardContextMenu());
      menu->addSeparator();
      menu->addAction(SaveRunAction);
      menu->addAction(CompareRunAction);
      menu->exec(memo->viewport()->mapToGlobal(at));
    });
  }
  for (TChart* chart : {Chart1, Chart5, Chart3, Chart6, Chart4, Chart2}) {
    auto* copy = new QAction(QStringLiteral("Copy chart"), chart);
    copy->setEnabled(false);
    QObject::connect(copy, &QAction::triggered, this, [this, chart] { CopyChart(*chart); });
    chart->addAction(SaveRunAction);
    chart->addAction(CompareRunAction);
    chart->addAction(copy);
    chart->setContextMenuPolicy(Qt::ActionsContextMenu);
    copyChartActions_.push_back(copy);
  }
  InstallChartTips({Chart1, Chart2, Chart3, Chart4, Chart5, Chart6},
                   [this] { return chartedRun_ ? &*chartedRun_ : nullptr; });

  offerPortBox_ = InteractivePlatform();
  if (profile_.SetUp) profile_.SetUp(*this);
}

TForm1::~TForm1() = default;

void TForm1::Button1Click(QObject* /*Sender*/) {
  if (!profile_.Run) return;
  if (portLost_ && !state_->Port.IsOpen() && !ReopenPort()) return;
  portLost_ = false;
  // Qt must never see an exception leave an event handler; the rest of the
  // run is abandoned and what it already listed, sent or charted stays.
  lineGone_ = false;
  try {
    profile_.Run(*this);
  } catch (const ECommError& error) {
    // Any port failure but a byte the line did not take in time means the
    // line itself failed: pulled, hung up, the device gone.
    lineGone_ = !IsWriteTimeout(error);
    // The handle of a lost device reaches nothing any more: let the device
    // go before the report, which waits for the person.
    if (IsDeviceLost(error)) {
      ReleasePort(state_->Port);
      portLost_ = true;
    }
    Report(CommErrorSentence(profile_.PortName, profile_.DeviceName(), error));
  } catch (const std::exception& error) {
    Report(QString::fromLocal8Bit(error.what()));
  }
}

bool TForm1::ReopenPort() {
  const auto tryOpen = [this](const std::string& device) {
    try {
      OpenStationPort(state_->Port, device);
      profile_.Device = device;
      return QString();
    } catch (const ECommError& error) {
      return CommErrorSentence(profile_.PortName, device, error);
    }
  };
  const QString sentence = tryOpen(profile_.DeviceName());
  if (sentence.isEmpty()) return true;
  if (!offerPortBox_) {
    Report(sentence + "\n\n" + PortListText() + "The next press tries again.");
    return false;
  }
  // The box shows the sentence and the ports: no second box for them.
  WriteText(stderr, sentence + "\n\n" + PortListText(), TUnseen::Drop);
  const TPortChoice choice{profile_.DeviceName(), {}, false};
  return !OpenInPortBox(profile_, choice, sentence, tryOpen, reporter_, this).empty();
}

void TForm1::FormClose(QObject* /*Sender*/, QCloseEvent* /*Action*/) {
  TCommPort& port = state_->Port;
  // A second close finds the port already closed: nothing to do, nothing to
  // report; so does a close after a lost device, which the run reported.
  if (!port.IsOpen()) return;
  // The port is closed even when the purge fails; the first failure is reported.
  std::optional<ECommError> failure;
  try {
    port.ClearInput();
  } catch (const ECommError& error) {
    failure = error;
  }
  try {
    port.Close();
  } catch (const ECommError& error) {
    if (!failure) failure = error;
  }
  // A line the last run found gone has been reported; its purge fails as
  // surely, and a second box would tell the person nothing new.
  if (failure && !lineGone_) Report(CommErrorSentence(profile_.PortName, profile_.DeviceName(), *failure));
}

void TForm1::closeEvent(QCloseEvent* event) {
  FormClose(this, event);
  QWidget::closeEvent(event);
}

void TForm1::RunCharted(const StationState& state) {
  chartedRun_ = TChartedRun{state.Uniform, state.Normal, state.Analysis, QDateTime::currentDateTime()};
  SaveRunAction->setEnabled(true);
  CompareRunAction->setEnabled(true);
  marks_->Charted();
  for (QAction* copy : copyChartActions_) copy->setEnabled(true);
}

ChartTitles TForm1::Titles() const {
  ChartTitles titles;
  const TChart* const charts[] = {Chart1, Chart2, Chart3, Chart4, Chart5, Chart6};
  for (std::size_t i = 0; i < titles.size(); ++i) titles[i] = charts[i]->Title().toStdString();
  return titles;
}

TCompareOutcome TForm1::CompareWithSavedRun(const QString& path) {
  if (!chartedRun_) return {};
  return ::CompareWithSavedRun({*chartedRun_, profile_.Program, Titles()}, path, *marks_);
}

void TForm1::SaveRun() {
  if (!chartedRun_) return;
  const TRunSave how{profile_.Program, Titles(), askName_, askReplace_};
  const QString failure = SaveChartedRun(*this, *chartedRun_, how);
  if (!failure.isEmpty()) Report(failure);
}

void TForm1::CopyChart(TChart& chart) { QGuiApplication::clipboard()->setPixmap(chart.grab()); }

void TForm1::Report(const QString& sentence) {
  if (reporter_) reporter_(this, sentence);
}
