// FaultStation.h - a station window for the fault tests: its error reports
// are recorded, and what it shows can be captured and compared.
//
// Interface summary
//   FaultStation rx(ReceiverProfile(), line.Path());   window on that device
//   rx.Reports                                        every sentence, in order
//   rx.Press()                                        one run; seconds it took
//   Capture(form) / SameScreen(a, b)                  memos and series
//   LastLines(memo, n)                                the memo's last n lines
//   Sender sender; sender.Frame()                     a transmit run's bytes
//   GoodRunShowsWhatWasSent(sender, rx, line, same)   a whole frame, shown right
#pragma once

#include <chrono>
#include <cstring>
#include <vector>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QStringList>
#include <QTest>
#include <QTextBlock>

#include "BarSeries.h"
#include "FaultLine.h"
#include "LineSeries.h"
#include "SampleFrame.h"
#include "StationState.h"
#include "TransmitRun.h"
#include "Unit1.h"

// Everything a run leaves on the screen.
struct Screen {
  QString Memo1, Memo2;
  std::vector<std::vector<TChartPoint>> Series;
};

// What the window shows now. Returns it.
inline Screen Capture(const TForm1& form) {
  Screen screen{form.Memo1->toPlainText(), form.Memo2->toPlainText(), {}};
  for (const TChartSeries* s : {static_cast<const TChartSeries*>(form.Series1),
                                static_cast<const TChartSeries*>(form.Series2),
                                static_cast<const TChartSeries*>(form.Series3),
                                static_cast<const TChartSeries*>(form.Series4),
                                static_cast<const TChartSeries*>(form.Series5),
                                static_cast<const TChartSeries*>(form.Series6)})
    screen.Series.push_back(s->Points());
  return screen;
}

// Bit-for-bit equality of values, labels and colours, in order. Returns whether.
inline bool SamePoints(const std::vector<TChartPoint>& a, const std::vector<TChartPoint>& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i)
    if (std::memcmp(&a[i].X, &b[i].X, sizeof(double)) != 0 ||
        std::memcmp(&a[i].Y, &b[i].Y, sizeof(double)) != 0 || a[i].Label != b[i].Label ||
        a[i].Color != b[i].Color)
      return false;
  return true;
}

// The screens agree in every memo line and every point. Returns whether.
inline bool SameScreen(const Screen& a, const Screen& b) {
  if (a.Memo1 != b.Memo1 || a.Memo2 != b.Memo2) return false;
  for (std::size_t s = 0; s < a.Series.size(); ++s)
    if (!SamePoints(a.Series[s], b.Series[s])) return false;
  return true;
}

// The memo's last `count` lines (fewer when it holds fewer). Returns them.
inline QStringList LastLines(const QPlainTextEdit* memo, int count) {
  QStringList lines;
  for (QTextBlock b = memo->document()->lastBlock(); b.isValid() && lines.size() < count;
       b = b.previous())
    lines.prepend(b.text());
  return lines;
}

// A station window on `device` whose error reports are recorded.
struct FaultStation {
  QStringList Reports;
  TForm1 Form;

  FaultStation(TStationProfile profile, const std::string& device)
      : Form([&] {
          profile.PortName = device;
          return profile;
        }()) {
    Form.SetErrorReporter([this](QWidget*, const QString& sentence) { Reports << sentence; });
  }

  // Presses Button1 as the user does. Returns the seconds the run took.
  double Press() {
    const auto start = std::chrono::steady_clock::now();
    Form.Button1->click();
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  }
};

// A transmitting station whose frames the test collects from the line.
struct Sender {
  FaultLine Line;
  FaultStation Tx{TransmitterProfile(), Line.Path()};

  // One transmit run. Returns the bytes it put on the line.
  std::vector<std::uint8_t> Frame() {
    Tx.Press();
    return Line.Collect(FRAME_SIZE);
  }
};

// A frame sent by `sender` arrives at `rx` over `line`; the receiver must
// then list and chart exactly what the sender did. The normal histogram is
// laid out over the range of every run a station has computed, so it is
// compared only when both have computed the same runs (`sameHistory`).
// Fails the test otherwise.
inline void GoodRunShowsWhatWasSent(Sender& sender, FaultStation& rx, const FaultLine& line,
                                    bool sameHistory) {
  const std::vector<std::uint8_t> frame = sender.Frame();
  QCOMPARE(frame.size(), FRAME_SIZE);
  const int reports = static_cast<int>(rx.Reports.size());
  line.SendByteByByte(frame);
  QVERIFY(line.WaitQueued(static_cast<int>(FRAME_SIZE)));
  rx.Press();
  QCOMPARE(static_cast<int>(rx.Reports.size()), reports);
  QCOMPARE(LastLines(rx.Form.Memo1, 200), LastLines(sender.Tx.Form.Memo1, 200));
  QCOMPARE(LastLines(rx.Form.Memo2, 200), LastLines(sender.Tx.Form.Memo2, 200));
  const Screen sent = Capture(sender.Tx.Form);
  const Screen shown = Capture(rx.Form);
  for (std::size_t s = 0; s < sent.Series.size(); ++s)
    if (sameHistory || s != 1)
      QVERIFY2(SamePoints(sent.Series[s], shown.Series[s]), qPrintable(QString("Series%1").arg(s + 1)));
  QCOMPARE(line.Queued(), 0);
}

