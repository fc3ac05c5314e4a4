// The station window without a port: its fixed layout, the chart layer, the
// analysis display on known samples, saving and copying what it shows, the
// marks on the lists, comparing with a saved run and the charts' tips.
#include <unistd.h>

#include <bit>
#include <clocale>
#include <cmath>
#include <limits>
#include <memory>

#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QGraphicsView>
#include <QGuiApplication>
#include <QImage>
#include <QLabel>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QToolTip>

#include "AnalysisDisplay.h"
#include "ChartSeries.h"
#include "CommaLocale.h"
#include "Chart.h"
#include "CompareRun.h"
#include "Generator.h"
#include "ListMarks.h"
#include "NumberText.h"
#include "ReceiveRun.h"
#include "StationState.h"
#include "StationView.h"
#include "TransmitRun.h"
#include "Unit1.h"

namespace {

// A station profile without set-up and run: the window alone.
TStationProfile Bare(TStationProfile profile) {
  profile.SetUp = nullptr;
  profile.Run = nullptr;
  return profile;
}

QStringList Lines(const QPlainTextEdit* memo) {
  QStringList lines;
  for (QTextBlock b = memo->document()->begin(); b.isValid(); b = b.next()) lines << b.text();
  return lines;
}

// Samples with a known analysis: the uniform signal 0..199 in order, and a
// normal signal with one sample of every magnitude class.
void KnownSamples(StationState& state) {
  for (int i = 0; i < SAMPLE_COUNT; ++i) {
    state.Uniform[static_cast<std::size_t>(i)] = i;
    state.Normal[static_cast<std::size_t>(i)] = static_cast<float>(i % 10) * 0.25f;
  }
  state.Normal[7] = static_cast<float>(std::sqrt(2.0 * std::log(2.0)));
}

// Switches LC_NUMERIC to a locale with a decimal comma; false when none can be set.
bool SetCommaLocale() {
  const QString folder = QDir::tempPath() + QStringLiteral("/sig-locales-%1").arg(QCoreApplication::applicationPid());
  const bool comma = UseCommaLocale(folder.toStdString());
  QDir(folder).removeRecursively();  // the loaded locale stays mapped
  return comma;
}

// The rows "decimal point" and "decimal comma" of a test that lists numbers;
// the test sets the comma's locale (SetCommaLocale) where its row says so.
void SeparatorRows() {
  QTest::addColumn<bool>("comma");
  QTest::newRow("decimal point") << false;
  QTest::newRow("decimal comma") << true;
}

// A saved CSV file's rows split at `separator`, after its byte-order mark
// (none without it); a blank line is one empty field.
QList<QStringList> CsvRows(const QString& path, QChar separator) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  const QByteArray bytes = file.readAll();
  if (!bytes.startsWith("\xEF\xBB\xBF") || !bytes.endsWith('\n')) return {};
  QList<QStringList> rows;
  for (const QString& line : QString::fromUtf8(bytes.sliced(3, bytes.size() - 4)).split('\n'))
    rows << line.split(separator);
  return rows;
}

// The marked lines of a list (block numbers) with each mark's colour.
QList<QPair<int, QColor>> MarkedLines(const QPlainTextEdit* memo) {
  QList<QPair<int, QColor>> marked;
  for (const QTextEdit::ExtraSelection& mark : memo->extraSelections())
    marked << qMakePair(mark.cursor.blockNumber(), mark.format.background().color());
  return marked;
}

// The text of a list's badge ("impossible", "differ"); empty while hidden.
QString Badge(const QPlainTextEdit* memo, const char* name) {
  const auto* badge = memo->findChild<QLabel*>(name);
  return badge && !badge->isHidden() ? badge->text() : QString();
}

// A number of a saved file, as the single it was.
float Single(QString field) { return static_cast<float>(field.replace(',', '.').toDouble()); }

}  // namespace

class FormTest : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }
  void cleanup() { std::setlocale(LC_NUMERIC, "C"); }

  void windowHasTheFixedLayout() {
    TForm1 form(Bare(TransmitterProfile()));
    QCOMPARE(form.pos(), QPoint(227, 215));
    QCOMPARE(form.size(), QSize(945, 631));
    QCOMPARE(form.minimumSize(), form.maximumSize());
    const Qt::WindowFlags flags = form.windowFlags();
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QCOMPARE(form.palette().color(QPalette::Window), form.palette().color(QPalette::Button));

    const struct {
      const char* name;
      QRect place;
      const char* title;
    } table[] = {
        {"Button1", {8, 8, 929, 33}, nullptr},
        {"Memo1", {744, 48, 193, 281}, nullptr},
        {"Memo2", {744, 336, 193, 289}, nullptr},
        {"Chart1", {8, 48, 361, 185}, "Рівномірний розподіл (РР)"},
        {"Chart5", {8, 424, 361, 201}, "Кореляція"},
        {"Chart3", {8, 240, 361, 176}, "Автокореляція РР"},
        {"Chart6", {376, 424, 361, 201}, "Коваріація"},
        {"Chart4", {376, 240, 361, 176}, "Автокореляція НР"},
        {"Chart2", {376, 48, 361, 185}, "Нормальний Розподіл (НР)"},
    };
    QList<QWidget*> expectedOrder;
    for (const auto& row : table) {
      auto* widget = form.findChild<QWidget*>(row.name);
      QVERIFY2(widget, row.name);
      QCOMPARE(widget->geometry(), row.place);
      if (row.title) QCOMPARE(static_cast<TChart*>(widget)->Title(), QString::fromUtf8(row.title));
      expectedOrder << widget;
    }
    // Creation order equals tab order: the children appear in the table's order.
    QList<QWidget*> created;
    for (QObject* child : form.children())
      if (expectedOrder.contains(child)) created << static_cast<QWidget*>(child);
    QCOMPARE(created, expectedOrder);
    QList<QWidget*> tabOrder{form.Button1};
    for (QWidget* w = form.Button1->nextInFocusChain(); w != form.Button1; w = w->nextInFocusChain())
      if (expectedOrder.contains(w)) tabOrder << w;
    QCOMPARE(tabOrder, expectedOrder);

    // The scripts' copy of the layout, NAME=WxH[+X+Y] a line, is the window's.
    QFile scripts(QStringLiteral(SIG_WINDOW_GEOMETRY));
    QVERIFY(scripts.open(QIODevice::ReadOnly | QIODevice::Text));
    const QRegularExpression place(QStringLiteral("^(\\w+)=(\\d+)x(\\d+)(?:\\+(\\d+)\\+(\\d+))?$"));
    std::size_t placed = 0;
    for (const QString& line : QString::fromUtf8(scripts.readAll()).split(u'\n')) {
      if (line.isEmpty() || line.startsWith(u'#')) continue;
      const QRegularExpressionMatch m = place.match(line);
      QWidget* widget = m.captured(1) == form.objectName() ? &form : form.findChild<QWidget*>(m.captured(1));
      QVERIFY2(m.hasMatch() && widget, qPrintable(line));
      QCOMPARE(widget->size(), QSize(m.captured(2).toInt(), m.captured(3).toInt()));
      if (m.hasCaptured(4)) QCOMPARE(widget->pos(), QPoint(m.captured(4).toInt(), m.captured(5).toInt()));
      ++placed;
    }
    QCOMPARE(placed, std::size(table) + 1);  // every widget above, and the window

    QCOMPARE(form.font().family(), QStringLiteral("MS Sans Serif"));
    QCOMPARE(form.font().pixelSize(), 11);
    QCOMPARE(form.Button1->font().pixelSize(), 19);
    QVERIFY(form.Button1->font().bold());
    for (QPlainTextEdit* memo : {form.Memo1, form.Memo2}) {
      QVERIFY(!memo->isReadOnly());
      QVERIFY(memo->toPlainText().isEmpty());
      QCOMPARE(memo->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
      QCOMPARE(memo->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
    }
  }

  void stationsDifferInTextsAndIcon() {
    TForm1 tx(Bare(TransmitterProfile()));
    TForm1 rx(Bare(ReceiverProfile()));
    QCOMPARE(tx.windowTitle(), QStringLiteral("Лабстанція - ПЕРЕДАВАЧ"));
    QCOMPARE(rx.windowTitle(), QStringLiteral("Лабстанція - ПРИЙМАЧ"));
    QCOMPARE(tx.Button1->text(), QStringLiteral("Generate signals and  start transmission"));
    QCOMPARE(rx.Button1->text(), QStringLiteral("Start recieve"));
    QCOMPARE(tx.Profile().PortName, std::string("COM2"));
    QCOMPARE(rx.Profile().PortName, std::string("COM3"));
    for (TForm1* form : {&tx, &rx}) {
      const QImage icon = form->windowIcon().pixmap(16, 16).toImage();
      QCOMPARE(icon.size(), QSize(16, 16));
      QVERIFY(icon.hasAlphaChannel());
      QCOMPARE(qAlpha(icon.pixel(0, 0)), 0);  // transparent corner
    }
  }

  void listingAppendsAfterWhatTheMemosHold() {
    TForm1 form(Bare(TransmitterProfile()));
    StationState& state = form.State();
    KnownSamples(state);
    form.Memo1->setPlainText(QStringLiteral("typed by hand"));
    ListSamples(form, state);
    ListSamples(form, state);
    const QStringList uniform = Lines(form.Memo1);
    const QStringList normal = Lines(form.Memo2);
    QCOMPARE(uniform.size(), 1 + 400);
    QCOMPARE(normal.size(), 400);  // an empty memo gets no blank first line
    QCOMPARE(uniform[0], QStringLiteral("typed by hand"));
    QCOMPARE(uniform[1], QStringLiteral("0"));
    QCOMPARE(uniform[200], QStringLiteral("199"));
    QCOMPARE(uniform[201], QStringLiteral("0"));
    QCOMPARE(normal[1], QStringLiteral("0.25"));
    QCOMPARE(normal[7], QStringLiteral("1.17741000652313"));
    QCOMPARE(normal[207], QStringLiteral("1.17741000652313"));
  }

  // The lists and the charts' axes write numbers alike: with the numeric
  // locale's decimal separator, "." and "," both.
  void numbersFollowTheLocaleDecimalSeparator() {
    const auto fractions = [](const TForm1& form, QChar separator) {
      QStringList found;
      for (const TChart* chart : {form.Chart1, form.Chart2, form.Chart3, form.Chart4, form.Chart5, form.Chart6})
        for (const QString& label : chart->DrawnAxisLabels())
          if (label.contains(separator)) found << label;
      return found;
    };
    {
      TForm1 form(Bare(TransmitterProfile()));
      KnownSamples(form.State());
      ListSamples(form, form.State());
      ShowAnalysis(form, form.State());
      form.show();
      (void)form.grab();  // the axes lay out their labels when drawn
      QCOMPARE(Lines(form.Memo2)[7], QStringLiteral("1.17741000652313"));
      QVERIFY2(!fractions(form, '.').isEmpty(), "no axis label with a fraction");
      QCOMPARE(fractions(form, ','), QStringList());
    }

    if (!SetCommaLocale()) QSKIP("no locale with a decimal comma could be set");
    TForm1 form(Bare(TransmitterProfile()));
    KnownSamples(form.State());
    ListSamples(form, form.State());
    ShowAnalysis(form, form.State());
    form.show();
    QCoreApplication::processEvents();
    const QStringList withComma = fractions(form, ',');
    const QStringList withPoint = fractions(form, '.');
    std::setlocale(LC_NUMERIC, "C");
    QCOMPARE(Lines(form.Memo2)[7], QStringLiteral("1,17741000652313"));
    QCOMPARE(Lines(form.Memo1)[7], QStringLiteral("7"));
    QVERIFY2(!withComma.isEmpty(), "no axis label with a decimal comma");
    QCOMPARE(withPoint, QStringList());
  }

  void analysisFillsTheSixSeries() {
    TForm1 form(Bare(TransmitterProfile()));
    StationState& state = form.State();
    KnownSamples(state);
    ShowAnalysis(form, state);
    // A second run replaces the first run's points.
    ShowAnalysis(form, state);
    const SignalAnalysis& a = state.Analysis;

    const int normalOrder[] = {0, 2, 4, 6, 8, 9, 7, 5, 3, 1};
    QCOMPARE(form.Series1->Count(), 10);
    QCOMPARE(form.Series2->Count(), 10);
    double uniformTotal = 0, normalTotal = 0;
    for (int i = 0; i < 10; ++i) {
      const TChartPoint& u = form.Series1->Point(i);
      const TChartPoint& n = form.Series2->Point(i);
      QCOMPARE(u.Y, static_cast<double>(a.UniformCounts[static_cast<std::size_t>(i)]));
      QCOMPARE(n.Y, static_cast<double>(a.NormalCounts[static_cast<std::size_t>(normalOrder[i])]));
      QCOMPARE(u.Label, std::to_string(static_cast<int>(u.Y)));
      QCOMPARE(n.Label, std::to_string(static_cast<int>(n.Y)));
      QCOMPARE(u.Color, TColor{0xFF0000});
      QCOMPARE(n.Color, TColor{0x008000});
      uniformTotal += u.Y;
      normalTotal += n.Y;
    }
    QCOMPARE(uniformTotal, 200.0);
    QCOMPARE(normalTotal, 200.0);
    QCOMPARE(form.Series1->Point(0).Y, 20.0);  // 0..199 fill each bin with 20

    const struct {
      TLineSeries* series;
      const std::array<float, SAMPLE_COUNT>* values;
      TColor color;
    } lines[] = {{form.Series3, &a.UniformAutocorr, 0x0000FF},
                 {form.Series4, &a.NormalAutocorr, 0x00FFFF},
                 {form.Series5, &a.CentredCrossSum, 0xF0CAA6},
                 {form.Series6, &a.CrossSum, 0x00FF00}};
    for (const auto& line : lines) {
      QCOMPARE(line.series->Count(), 100);
      for (int k = 0; k < 100; ++k) {
        const TChartPoint& p = line.series->Point(k);
        QCOMPARE(p.X, static_cast<double>(k));
        QCOMPARE(p.Y, static_cast<double>((*line.values)[static_cast<std::size_t>(k)]));
        QVERIFY(p.Label.empty());
        QCOMPARE(p.Color, line.color);
      }
    }
    // With m = 0 the two cross sums are one curve in two colours.
    for (int k = 0; k < 100; ++k) QCOMPARE(form.Series5->Point(k).Y, form.Series6->Point(k).Y);
    QCOMPARE(form.Series3->Point(0).Y, static_cast<double>(a.UniformAutocorr[0]));
    QVERIFY(form.Series3->Point(0).Y > 13000);  // mean of i*i for i < 200
  }

  // Two runs of fixed signals give the same lists and chart values, bit for
  // bit, on every platform: the digest recorded on Linux is the one the
  // Windows build must give under wine.
  void runsShowTheSameBitsOnEveryPlatform() {
    TForm1 form(Bare(TransmitterProfile()));
    StationState& state = form.State();
    QCryptographicHash digest(QCryptographicHash::Sha256);
    const auto add = [&digest](const void* data, std::size_t size) {
      digest.addData(QByteArrayView(static_cast<const char*>(data), static_cast<qsizetype>(size)));
    };
    for (std::uint32_t seconds : {7u, 1234567890u}) {
      GenerateSignals(state.Uniform, state.Normal, seconds);
      ListSamples(form, state);
      ShowAnalysis(form, state);
      for (const std::vector<TChartPoint>& series : SeriesPoints(form))
        for (const TChartPoint& p : series) {
          add(&p.X, sizeof p.X);
          add(&p.Y, sizeof p.Y);
          add(&p.Color, sizeof p.Color);
          add(p.Label.c_str(), p.Label.size() + 1);
        }
    }
    digest.addData(form.Memo1->toPlainText().toUtf8());
    digest.addData(form.Memo2->toPlainText().toUtf8());
    QCOMPARE(digest.result().toHex().left(16), QByteArray("d29074d0e5abc47c"));
  }

  void barLabelsStandReadableUnderTheirBars() {
    TForm1 form(Bare(TransmitterProfile()));
    form.show();
    TChart& chart = *form.Chart1;
    TBarSeries& bars = *form.Series1;
    chart.BeginUpdate();
    bars.Clear();
    // Equal labels must not merge, wide ones must not be cut short.
    const char* labels[] = {"200", "0", "0", "188", "0", "0", "0", "0", "12", "0"};
    for (const char* label : labels) bars.Add(std::stod(label), label, 0xFF0000);
    chart.EndUpdate();
    QCoreApplication::processEvents();

    const std::vector<TDrawnLabel> drawn = chart.DrawnBarLabels();
    QCOMPARE(drawn.size(), std::size_t{10});
    const QRectF inside(0, 0, chart.width(), chart.height());
    for (std::size_t i = 0; i < drawn.size(); ++i) {
      QCOMPARE(drawn[i].Text, QString::fromLatin1(labels[i]));
      QVERIFY2(inside.contains(drawn[i].Rect), qPrintable(drawn[i].Text));
      if (i > 0) QVERIFY(drawn[i - 1].Rect.right() < drawn[i].Rect.left());
    }
    // Under the bars: below the middle of the chart, in order left to right.
    QVERIFY(drawn[0].Rect.top() > chart.height() / 2);
  }

  void linesAreDrawnInTheColourOfTheirPoints() {
    TChart chart;
    TLineSeries& line = chart.AddLineSeries();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    chart.BeginUpdate();
    line.AddXY(0, 1, "", 0x0000FF);
    line.AddXY(1, 2, "", 0x0000FF);
    line.AddXY(3, 4, "", 0xFF0000);  // added out of order: kept in ascending x
    line.AddXY(2, 3, "", 0xFF0000);
    line.AddXY(4, nan, "", 0xFF0000);  // breaks the line, kept in the series
    line.AddXY(5, 1, "", 0xFF0000);
    line.AddXY(6, 2, "", 0xFF0000);
    chart.EndUpdate();

    QCOMPARE(line.Count(), 7);
    for (int i = 0; i < 7; ++i) QCOMPARE(line.Point(i).X, static_cast<double>(i));
    QVERIFY(std::isnan(line.Point(4).Y));
    const std::vector<TDrawnLine> drawn = chart.DrawnLines();
    QCOMPARE(drawn.size(), std::size_t{3});
    QCOMPARE(drawn[0].Color, TColor{0x0000FF});
    QCOMPARE(drawn[0].PointCount, 2);
    QCOMPARE(drawn[1].Color, TColor{0xFF0000});
    QCOMPARE(drawn[1].PointCount, 3);  // starts at the last red point: no gap
    QCOMPARE(drawn[2].PointCount, 2);
  }

  void nonFiniteSamplesLeaveTheWindowUsable() {
    TForm1 form(Bare(TransmitterProfile()));
    form.show();
    StationState& state = form.State();
    KnownSamples(state);
    state.Normal[3] = std::numeric_limits<float>::infinity();
    state.Normal[4] = std::numeric_limits<float>::quiet_NaN();
    state.Normal[5] = 3e38f;
    ListSamples(form, state);
    ShowAnalysis(form, state);
    QCoreApplication::processEvents();
    QCOMPARE(form.Series2->Count(), 10);
    QCOMPARE(form.Series4->Count(), 100);
    QVERIFY(!form.grab().isNull());
    // A later run of ordinary samples still completes.
    KnownSamples(state);
    ShowAnalysis(form, state);
    QCOMPARE(form.Series1->Point(0).Y, 20.0);
    QCOMPARE(form.Chart3->DrawnLines().size(), std::size_t{1});
  }

  // Nothing to save or copy before a run; after one, Ctrl+S asks for a name
  // and a chart's "Copy chart" puts its picture on the clipboard.
  void saveAndCopyWaitForARun() {
    TForm1 form(Bare(ReceiverProfile()));
    int asked = 0;
    form.SetSaveDialogs([&](QWidget*, const QString&) { return ++asked, QString(); }, nullptr);
    form.show();
    QVERIFY(QTest::qWaitForWindowActive(&form));
    QList<QAction*> entries = form.actions();
    for (const TChart* chart : {form.Chart1, form.Chart2, form.Chart3, form.Chart4, form.Chart5, form.Chart6})
      entries += chart->actions();
    QCOMPARE(entries.size(), 1 + 6 * 3);
    QVERIFY(entries.contains(form.CompareRunAction));
    for (const QAction* entry : entries) QVERIFY2(!entry->isEnabled(), qPrintable(entry->text()));
    QTest::keyClick(form.Memo1, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(asked, 0);

    KnownSamples(form.State());
    ShowAnalysis(form, form.State());
    for (const QAction* entry : entries) QVERIFY2(entry->isEnabled(), qPrintable(entry->text()));
    QTest::keyClick(form.Memo1, Qt::Key_S, Qt::ControlModifier);
    QCOMPARE(asked, 1);
    QGuiApplication::clipboard()->clear();
    form.Chart4->actions().constLast()->trigger();
    QCOMPARE(QGuiApplication::clipboard()->image().size(), form.Chart4->size() * form.devicePixelRatio());
  }

  // Samples no transmitter sends are marked on the lines of the run just
  // listed, in their own colour, counted in a badge; text and editing stay.
  void unsendableSamplesAreMarkedOnTheirRunsLines() {
    TForm1 form(Bare(ReceiverProfile()));
    form.show();
    StationState& state = form.State();
    GenerateSignals(state.Uniform, state.Normal, 7);
    ListSamples(form, state);
    QCOMPARE(MarkedLines(form.Memo1).size() + MarkedLines(form.Memo2).size(), 0);
    QCOMPARE(Badge(form.Memo1, "UnsendableBadge"), QString());
    state.Uniform[3] = 256 + state.Uniform[3];
    state.Uniform[150] = 200;
    state.Normal[9] = -state.Normal[9] - 1.0f;
    ListSamples(form, state);
    using Mark = QPair<int, QColor>;
    QCOMPARE(MarkedLines(form.Memo1), (QList<Mark>{{203, UnsendableMarkColor}, {350, UnsendableMarkColor}}));
    QCOMPARE(MarkedLines(form.Memo2), (QList<Mark>{{209, UnsendableMarkColor}}));
    QCOMPARE(Badge(form.Memo1, "UnsendableBadge"), QStringLiteral("2 errors"));
    QCOMPARE(Badge(form.Memo2, "UnsendableBadge"), QStringLiteral("1 error"));
    QCOMPARE(Lines(form.Memo1)[203], QString::number(state.Uniform[3]));
    QVERIFY(!form.Memo1->isReadOnly());
    // The badge stands clear of the lines' text.
    const QLabel* badge = form.Memo1->findChild<QLabel*>("UnsendableBadge");
    QVERIFY(badge->geometry().left() > form.Memo1->fontMetrics().horizontalAdvance("4.56008291244507") + 8);
    QVERIFY(form.Memo2->findChild<QLabel*>("UnsendableBadge")->geometry().right() < form.Memo2->viewport()->geometry().right());
    GenerateSignals(state.Uniform, state.Normal, 8);
    ListSamples(form, state);
    QCOMPARE(MarkedLines(form.Memo1).size() + MarkedLines(form.Memo2).size(), 0);
    QCOMPARE(Badge(form.Memo1, "UnsendableBadge"), QString());
  }

  void comparedRunMarksItsDifferences_data() { SeparatorRows(); }

  // A run saved at one station, compared at the other: the differing
  // samples are marked and counted; a file that is not a saved run leaves
  // the window as it was and names its line.
  void comparedRunMarksItsDifferences() {
    QFETCH(bool, comma);
    if (comma && !SetCommaLocale()) QSKIP("no locale with a decimal comma could be set");
    QTemporaryDir folder;
    TForm1 tx(Bare(TransmitterProfile()));
    GenerateSignals(tx.State().Uniform, tx.State().Normal, 1700000000U);
    ListSamples(tx, tx.State());
    ShowAnalysis(tx, tx.State());
    tx.SetSaveDialogs([&](QWidget*, const QString&) { return folder.filePath("sent"); }, nullptr);
    tx.SaveRun();

    TForm1 rx(Bare(ReceiverProfile()));
    QCOMPARE(rx.CompareWithSavedRun(folder.filePath("sent.csv")).Text, QString());  // before any run
    StationState& state = rx.State();
    state.Uniform = tx.State().Uniform;
    state.Normal = tx.State().Normal;
    ListSamples(rx, state);
    state.Uniform[12] ^= 0x0100;
    state.Normal[12] = std::bit_cast<float>(std::bit_cast<std::uint32_t>(state.Normal[12]) ^ 0x00000005u);
    ListSamples(rx, state);  // the second run's lines, 200..399, are the ones compared
    ShowAnalysis(rx, state);
    const TCompareOutcome outcome = rx.CompareWithSavedRun(folder.filePath("sent.csv"));
    QVERIFY2(outcome.Compared, qPrintable(outcome.Text));
    for (const char* part : {"Sent: sent.csv", "Received: the run this window shows (sigrx",
                             "РР: 199 of 200 samples equal, 1 of 3200 bits differ",
                             "НР: 199 of 200 samples equal, 2 of 6400 bits differ",
                             "Frame: 3 of 9600 sample bits differ, bit error rate 0", "РР 12: "})
      QVERIFY2(outcome.Text.contains(QString::fromUtf8(part)), qPrintable(outcome.Text));
    QVERIFY(outcome.Text.contains(QString::fromStdString(FloatToStr(state.Normal[12]))));
    using Mark = QPair<int, QColor>;
    // Line 212 is also a sample no transmitter sends (a high byte of 1).
    QCOMPARE(MarkedLines(rx.Memo1), (QList<Mark>{{212, DifferenceMarkColor}, {212, UnsendableMarkColor}}));
    QCOMPARE(MarkedLines(rx.Memo2).first(), (Mark{212, DifferenceMarkColor}));
    QCOMPARE(Badge(rx.Memo2, "DifferingBadge"), QStringLiteral("1 differ"));
    const std::unique_ptr<QMessageBox> box = MakeCompareBox(&rx, outcome);
    QCOMPARE(box->text(), outcome.Text);
    QVERIFY(box->textInteractionFlags() & Qt::TextSelectableByMouse);

    // At the transmitter the window's run is the one sent.
    QVERIFY(tx.CompareWithSavedRun(folder.filePath("sent.csv")).Text.contains("Sent: the run this window shows (sigtx"));

    QFile original(folder.filePath("sent.csv"));
    QVERIFY(original.open(QIODevice::ReadOnly));
    const QByteArray good = original.readAll();
    const struct {
      QByteArray bytes;
      const char* line;
    } bad[] = {{good.left(good.indexOf("\n199")), "line 201"},
               {QByteArray(good).replace("\n17" + QByteArray(comma ? ";" : ","), "\n17x;"), "line 19"},
               {"not a run\n", "line 1"}};
    const Screen before = Capture(rx);
    const auto marksBefore = MarkedLines(rx.Memo1) + MarkedLines(rx.Memo2);
    for (const auto& b : bad) {
      QFile file(folder.filePath("bad.csv"));
      QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
      file.write(b.bytes);
      file.close();
      const TCompareOutcome failed = rx.CompareWithSavedRun(file.fileName());
      QVERIFY(!failed.Compared);
      QVERIFY2(failed.Text.startsWith(QDir::toNativeSeparators(file.fileName()) + " is not a saved run: " + b.line),
               qPrintable(failed.Text));
      QVERIFY(SameScreen(Capture(rx), before));
      QCOMPARE(MarkedLines(rx.Memo1) + MarkedLines(rx.Memo2), marksBefore);
    }
    QVERIFY(!rx.CompareWithSavedRun(folder.filePath("none.csv")).Compared);
  }

  void chartsTellTheValueUnderTheMouse_data() { SeparatorRows(); }

  // Hovering a bar shows its bin, range and count, near a line's point its
  // lag and value, in the lists' number text; the charts draw what they drew.
  void chartsTellTheValueUnderTheMouse() {
    QFETCH(bool, comma);
    if (comma && !SetCommaLocale()) QSKIP("no locale with a decimal comma could be set");
    TForm1 form(Bare(TransmitterProfile()));
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));
    KnownSamples(form.State());
    ListSamples(form, form.State());
    ShowAnalysis(form, form.State());
    QCoreApplication::processEvents();
    const SignalAnalysis& a = form.State().Analysis;
    const auto text = [comma](double v) {
      return QString::fromStdString(FloatToStr(static_cast<long double>(v), comma ? "," : "."));
    };
    QCOMPARE(form.Chart1->TipAt(form.Chart1->PlaceOf(*form.Series1, 3)),
             QStringLiteral("bin 3: %1 ≤ x < %2\ncount: 20").arg(text(a.UniformEdges[3]), text(a.UniformEdges[4])));
    QCOMPARE(form.Chart1->TipAt(form.Chart1->PlaceOf(*form.Series1, 9)),
             QStringLiteral("bin 9: %1 ≤ x ≤ 199\ncount: 20").arg(text(a.UniformEdges[9])));
    QVERIFY(form.Chart2->TipAt(form.Chart2->PlaceOf(*form.Series2, 5)).startsWith("bin 9: "));
    QCOMPARE(form.Chart2->TipAt(QPoint(1, 1)), QString());
    QCOMPARE(form.Chart4->TipAt(form.Chart4->PlaceOf(*form.Series4, 42) + QPoint(3, 2)),
             QStringLiteral("lag 42: %1").arg(text(a.NormalAutocorr[42])));

    TChart& chart = *form.Chart3;
    const QImage drawn = chart.grab().toImage();
    QWidget* viewport = chart.findChild<QGraphicsView*>()->viewport();
    const QPoint place = chart.PlaceOf(*form.Series3, 10);
    QTest::mouseMove(viewport, viewport->mapFrom(&chart, place));
    QTRY_COMPARE(QToolTip::text(), QStringLiteral("lag 10: %1").arg(text(a.UniformAutocorr[10])));
    QCOMPARE(chart.grab().toImage(), drawn);
    QTest::mouseMove(viewport, QPoint(2, 2));
    QTRY_VERIFY(!QToolTip::isVisible());
  }

  void savedRunIsWhatTheWindowShows_data() { SeparatorRows(); }

  // The files hold the charted run as the lists and charts show it, whatever
  // a run that stopped early left in the buffers; saving is not a run; the
  // next save starts in the same folder and replaces files only when told.
  void savedRunIsWhatTheWindowShows() {
    QFETCH(bool, comma);
    if (comma && !SetCommaLocale()) QSKIP("no locale with a decimal comma could be set");
    const QChar separator = comma ? ';' : ',';
    QTemporaryDir folder;
    TForm1 form(Bare(TransmitterProfile()));
    StationState& state = form.State();
    KnownSamples(state);
    ListSamples(form, state);
    ShowAnalysis(form, state);
    state.Uniform.fill(-1);
    QStringList proposed, existing;
    bool replace = false;
    // Picking an earlier run's file names that run.
    form.SetSaveDialogs([&](QWidget*, const QString& path) { return proposed << path, folder.filePath("run.png"); },
                        [&](QWidget*, const QStringList& files) { return existing = files, replace; });
    const Screen before = Capture(form);
    form.SaveRun();
    QVERIFY(SameScreen(Capture(form), before));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files), QStringList({"run-analysis.csv", "run.csv", "run.png"}));

    const QList<QStringList> samples = CsvRows(folder.filePath("run.csv"), separator);
    QCOMPARE(samples.size(), 1 + SAMPLE_COUNT);
    QCOMPARE(samples[0], QStringList({"index", form.Chart1->Title(), form.Chart2->Title()}));
    const QStringList uniform = LastLines(form.Memo1, SAMPLE_COUNT), normal = LastLines(form.Memo2, SAMPLE_COUNT);
    for (int i = 0; i < SAMPLE_COUNT; ++i)
      QCOMPARE(samples[i + 1], QStringList({QString::number(i), uniform[i], normal[i]}));

    const QList<QStringList> analysis = CsvRows(folder.filePath("run-analysis.csv"), separator);
    QCOMPARE(analysis.size(), 1 + BIN_COUNT + 2 + LAG_COUNT);
    const std::vector<std::vector<TChartPoint>> charted = SeriesPoints(form);
    const SignalAnalysis& a = state.Analysis;
    for (int bar = 0; bar < BIN_COUNT; ++bar) {
      const QStringList& row = analysis[1 + bar];
      QCOMPARE(row.size(), 7);
      QCOMPARE(Single(row[3]), static_cast<float>(charted[0][static_cast<std::size_t>(bar)].Y));
      QCOMPARE(Single(row[6]), static_cast<float>(charted[1][static_cast<std::size_t>(bar)].Y));
      // Each bar names its bin: the edge and the count are that bin's.
      const auto uniformBin = static_cast<std::size_t>(row[1].toInt()), normalBin = static_cast<std::size_t>(row[4].toInt());
      QCOMPARE(Single(row[2]), a.UniformEdges[uniformBin]);
      QCOMPARE(Single(row[5]), a.NormalEdges[normalBin]);
      QCOMPARE(Single(row[6]), a.NormalCounts[normalBin]);
    }
    QCOMPARE(analysis[BIN_COUNT + 1], QStringList{QString()});
    QCOMPARE(analysis[BIN_COUNT + 2].mid(1), QStringList({form.Chart3->Title(), form.Chart4->Title(),
                                                          form.Chart5->Title(), form.Chart6->Title()}));
    for (int k = 0; k < LAG_COUNT; ++k) {
      const QStringList& row = analysis[BIN_COUNT + 3 + k];
      QCOMPARE(row.size(), 5);
      QCOMPARE(row[0], QString::number(k));
      for (std::size_t s = 2; s < 6; ++s)
        QCOMPARE(Single(row[static_cast<int>(s) - 1]), static_cast<float>(charted[s][static_cast<std::size_t>(k)].Y));
    }
    QCOMPARE(QImage(folder.filePath("run.png")).size(), form.size() * form.devicePixelRatio());

    const auto savedSamples = [&] {
      QFile file(folder.filePath("run.csv"));
      return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    };
    const QByteArray first = savedSamples();
    KnownSamples(state);
    state.Uniform[0] = 5;
    ShowAnalysis(form, state);
    form.SaveRun();
    QCOMPARE(existing, RunFiles(folder.filePath("run")));
    QCOMPARE(savedSamples(), first);
    replace = true;
    form.SaveRun();
    QVERIFY(savedSamples() != first);
    QCOMPARE(QFileInfo(proposed.last()).dir(), QDir(folder.path()));
    QVERIFY(QFileInfo(proposed.last()).fileName().startsWith("sigtx-"));
    QCOMPARE(QDir(folder.path()).entryList(QDir::Files).size(), 3);
  }

  void failedSaveLeavesNoFile_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("readOnly");
    QTest::newRow("folder gone") << "gone/run" << false;
    QTest::newRow("read-only folder") << "run" << true;
    QTest::newRow("a folder in the way of the third") << "in-the-way" << false;
  }

  // One box names the file that failed; none of the three is left, nor a
  // temporary file.
  void failedSaveLeavesNoFile() {
    QFETCH(QString, name);
    QFETCH(bool, readOnly);
#ifdef _WIN32
    if (readOnly) QSKIP("a folder's read-only mark does not stop writing into it on Windows");
#else
    if (readOnly && ::geteuid() == 0) QSKIP("root writes into any folder; tools/as-user runs this as an ordinary user");
#endif
    QTemporaryDir folder;
    QVERIFY(QDir(folder.path()).mkdir("in-the-way.png"));
    TForm1 form(Bare(ReceiverProfile()));
    QStringList reports;
    form.SetErrorReporter([&](QWidget*, const QString& sentence) { reports << sentence; });
    form.SetSaveDialogs([&](QWidget*, const QString&) { return folder.filePath(name); },
                        [](QWidget*, const QStringList&) { return true; });
    KnownSamples(form.State());
    ShowAnalysis(form, form.State());
    const auto entries = [&] { return QDir(folder.path()).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot); };
    const QStringList before = entries();
    const QFileDevice::Permissions modes = QFile::permissions(folder.path());
    if (readOnly) QFile::setPermissions(folder.path(), QFileDevice::ReadOwner | QFileDevice::ExeOwner);
    form.SaveRun();
    QFile::setPermissions(folder.path(), modes);
    QCOMPARE(reports.size(), 1);
    QVERIFY2(reports[0].contains(QDir::toNativeSeparators(name)), qPrintable(reports[0]));
    QVERIFY2(!reports[0].contains(".."), qPrintable(reports[0]));
    QCOMPARE(entries(), before);
  }
};

QTEST_MAIN(FormTest)
#include "FormTest.moc"
