// A transmitting and a receiving station in one process, linked by
// pseudo-terminals and a relay: what the receiver shows must equal what was
// sent.
#include <clocale>
#include <cstring>

#include <QPlainTextEdit>
#include <QPushButton>
#include <QElapsedTimer>
#include <QTest>

#include "ChartSeries.h"
#include "CommPort.h"
#include "PtyLine.h"
#include "SampleFrame.h"
#include "ReceiveRun.h"
#include "StationState.h"
#include "StationView.h"
#include "TransmitRun.h"
#include "Unit1.h"

namespace {

using Station = RecordingStation;

}  // namespace

class StationPairTest : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

  void receiverShowsWhatTheTransmitterSent() {
    PtyLine txLine, rxLine;
    PtyRelay relay(txLine, rxLine);
    Station tx(TransmitterProfile(), txLine.Path());
    Station rx(ReceiverProfile(), rxLine.Path());
    QVERIFY(tx.Form.State().Port.IsOpen());

    for (int run = 1; run <= 3; ++run) {
      tx.Form.Button1->click();
      QVERIFY2(rxLine.WaitQueued(static_cast<int>(FRAME_SIZE)), "the frame did not arrive");
      rx.Form.Button1->click();
      const Screen sent = Capture(tx.Form);
      const Screen shown = Capture(rx.Form);
      QVERIFY2(SameScreen(sent, shown), qPrintable(QString("run %1").arg(run)));
      QCOMPARE(rxLine.Queued(), 0);
      QCOMPARE(rx.Form.Memo1->document()->blockCount(), 200 * run);
      QCOMPARE(rx.Form.Memo2->document()->blockCount(), 200 * run);
      // The charts hold the last run only.
      QCOMPARE(shown.Series[0].size(), std::size_t{10});
      QCOMPARE(shown.Series[2].size(), std::size_t{100});
    }
    QVERIFY(tx.Reports.isEmpty());
    QVERIFY(rx.Reports.isEmpty());

    // Nothing queued: the press returns after the read time-out and changes nothing.
    const Screen before = Capture(rx.Form);
    QElapsedTimer clock;
    clock.start();
    rx.Form.Button1->click();
    QVERIFY(clock.elapsed() < 2000);
    QVERIFY(SameScreen(before, Capture(rx.Form)));
    QVERIFY(rx.Reports.isEmpty());

    // A queue that does not start with the frame mark loses one byte per press.
    rxLine.Send({1, 2});
    QVERIFY(rxLine.WaitQueued(2));
    rx.Form.Button1->click();
    QCOMPARE(rxLine.Queued(), 1);
    QVERIFY(SameScreen(before, Capture(rx.Form)));

    // Closing discards what waits and closes the port, without a report.
    rx.Form.close();
    QCOMPARE(rxLine.Queued(), 0);
    QVERIFY(!rx.Form.State().Port.IsOpen());
    tx.Form.close();
    QVERIFY(!tx.Form.State().Port.IsOpen());
    QVERIFY(tx.Reports.isEmpty());
    QVERIFY(rx.Reports.isEmpty());
  }

  void failedSendIsReportedOnceAndStopsTheRun() {
    PtyLine line;
    Station tx(TransmitterProfile(), line.Path());
    line.HangUp();

    tx.Form.Button1->click();
    QCOMPARE(tx.Reports.size(), 1);
    QVERIFY2(tx.Reports[0].contains(QString::fromStdString(line.Path())),
             qPrintable(tx.Reports[0]));
    // Listed before the send, but the charts did not change.
    QCOMPARE(tx.Form.Memo1->document()->blockCount(), 200);
    QCOMPARE(tx.Form.Series1->Count(), 0);
    QCOMPARE(tx.Form.Series3->Count(), 0);

    // The window stays usable: the next press finds the device will not open
    // again, says so and runs nothing.
    tx.Form.Button1->click();
    QCOMPARE(tx.Reports.size(), 2);
    QVERIFY2(tx.Reports[1].contains("opening the serial port failed"), qPrintable(tx.Reports[1]));
    QCOMPARE(tx.Form.Memo1->document()->blockCount(), 200);

    // The lost device's port was closed then: the close has nothing to
    // report, and the window goes.
    tx.Form.close();
    QCOMPARE(tx.Reports.size(), 2);
    QVERIFY(!tx.Form.State().Port.IsOpen());
    QVERIFY(!tx.Form.isVisible());
    tx.Form.close();  // a second close has nothing left to do or report
    QCOMPARE(tx.Reports.size(), 2);
  }
};

QTEST_MAIN(StationPairTest)
#include "StationPairTest.moc"
