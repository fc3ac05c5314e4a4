// FaultStation.h - a station window for the fault tests: its error reports
// are recorded, and what it shows can be captured and compared.
//
// Interface summary (the window and its comparisons: StationView.h)
//   FaultStation rx(ReceiverProfile(), line.Path());   window on that device
//   Sender sender; sender.Frame()                     a transmit run's bytes
//   FrameOf(state)                                    the frame of a state's samples
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

#include "ChartSeries.h"
#include "PtyLine.h"
#include "SampleFrame.h"
#include "StationState.h"
#include "TransmitRun.h"
#include "StationView.h"
#include "Unit1.h"

// The fault tests' station window: its reports recorded, Press() a run.
using FaultStation = RecordingStation;

// A transmitting station whose frames the test collects from the line.
struct Sender {
  PtyLine Line;
  FaultStation Tx{TransmitterProfile(), Line.Path()};

  // One transmit run; the bytes it put on the line.
  std::vector<std::uint8_t> Frame() {
    Tx.Press();
    return Line.Collect(FRAME_SIZE);
  }
};

// The frame a transmit run of `state`'s samples sends.
inline std::vector<std::uint8_t> FrameOf(const StationState& state) {
  struct Sink {
    std::vector<std::uint8_t> Bytes;
    void SendByte(std::uint8_t b) { Bytes.push_back(b); }
  } sink;
  EncodeSampleFrame(sink, state.Uniform, state.Normal);
  return sink.Bytes;
}

// A frame sent by `sender` arrives at `rx` over `line`; the receiver must
// then list and chart exactly what the sender did. The normal histogram is
// laid out over the range of every run a station has computed, so it is
// compared only when both have computed the same runs (`sameHistory`).
// Fails the test otherwise.
inline void GoodRunShowsWhatWasSent(Sender& sender, FaultStation& rx, const PtyLine& line,
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

