// A cable or adapter pulled and plugged in again behind the same name (a
// link as udev's /dev/serial/by-id names; a COM name under wine): the failure
// is reported once and the port let go, the next press opens the device
// again and runs; a device that stays away gets the open's failure and the
// port box, whose "Close" leaves the window usable. A time-out or a bad frame
// is no lost device: the port stays open.
#include <clocale>
#include <functional>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "CommPort.h"
#include "FaultStation.h"
#include "NumberText.h"
#include "PortDialog.h"
#include "PtyLine.h"
#include "ReceiveRun.h"
#include "SampleFrame.h"
#include "TransmitRun.h"

namespace {

// The frame a transmit run of `state` sends.
std::vector<std::uint8_t> FrameOf(const StationState& state) {
  struct Sink {
    std::vector<std::uint8_t> Bytes;
    void SendByte(std::uint8_t b) { Bytes.push_back(b); }
  } sink;
  EncodeSampleFrame(sink, state.Uniform, state.Normal);
  return sink.Bytes;
}

// A transmit run sent exactly what it listed: its frame on `line`, and the
// memo's last 200 lines its uniform samples.
void SentWhatItListed(FaultStation& tx, const PtyLine& line) {
  const StationState& state = tx.Form.State();
  QVERIFY(line.Collect(FRAME_SIZE + 1, 500) == FrameOf(state));
  QStringList listed;
  for (const std::int32_t sample : state.Uniform) listed << QString::fromStdString(IntToStr(sample));
  QCOMPARE(LastLines(tx.Form.Memo1, 200), listed);
}

#ifndef _WIN32
// Whether another program's open of the device is turned away: the station
// holds it alone (for an ordinary user already open() refuses, TIOCEXCL).
// Wine lets a second open of a port succeed.
bool HeldAlone(const std::string& path) {
  TCommPort other;
  try {
    other.Open(path);
  } catch (const ECommError& error) {
    return error.Code == COMM_OPEN;
  }
  return false;
}
#endif

// Answers the port box of the next press as a person does, once it is up.
class BoxAnswer {
public:
  explicit BoxAnswer(std::function<void(TPortDialog&)> answer) {
    QObject::connect(&timer_, &QTimer::timeout, [this, answer] {
      auto* box = dynamic_cast<TPortDialog*>(QApplication::activeModalWidget());
      if (box == nullptr || !box->isVisible()) return;
      timer_.stop();
      Sentence = box->Sentence->text();
      answer(*box);
    });
    timer_.start(20);
  }
  QString Sentence;  // what the box said; empty: no box came

private:
  QTimer timer_;
};

constexpr double kMostSeconds = 5.0;

}  // namespace

class ReplugTest : public QObject {
  Q_OBJECT

private slots:
  void initTestCase() { std::setlocale(LC_NUMERIC, "C"); }

  void pullAndReplug_data() {
    QTest::addColumn<bool>("transmitter");
    QTest::newRow("sigtx") << true;
    QTest::newRow("sigrx") << false;
  }

  // A good run; the adapter pulled: the next press fails once and lets the
  // device go; plugged in again: the next press opens it with the station's
  // line, holds it alone again and carries a whole frame, listed exactly.
  // Closing after a lost device has nothing more to say.
  void pullAndReplug() {
    QFETCH(bool, transmitter);
#ifdef _WIN32
    if (!transmitter) QSKIP("under wine a read on a pulled line returns no byte instead of failing");
#endif
    Sender sender;
    PtyLine cable(PtyLine::kLasting);
    FaultStation station(transmitter ? TransmitterProfile() : ReceiverProfile(), cable.Path());
    TCommPort& port = station.Form.State().Port;
    const auto goodRun = [&](bool sameHistory) {
      if (!transmitter) return GoodRunShowsWhatWasSent(sender, station, cable, sameHistory);
      station.Press();
      SentWhatItListed(station, cable);
    };
    goodRun(true);
    if (QTest::currentTestFailed()) return;

    cable.Pull();
    QVERIFY(station.Press() < kMostSeconds);
    QCOMPARE(station.Reports.size(), 1);
    QVERIFY2(station.Reports[0].contains(transmitter ? "sending a byte failed" : "reading from the serial port failed"),
             qPrintable(station.Reports[0]));
    QVERIFY(!port.IsOpen());

    cable.Plug();
    goodRun(!transmitter);
    if (QTest::currentTestFailed()) return;
    QCOMPARE(station.Reports.size(), 1);
    QVERIFY(port.IsOpen());
    QCOMPARE(port.LineSettings().BaudRate, 9600u);
    QCOMPARE(port.LineSettings().StopBits, 0);
    QCOMPARE(station.Form.Memo1->document()->blockCount(), transmitter ? 600 : 400);
#ifndef _WIN32
    QVERIFY(HeldAlone(cable.Path()));
#endif

    cable.Pull();
    station.Press();
    QCOMPARE(station.Reports.size(), 2);
    station.Form.close();
    QCOMPARE(station.Reports.size(), 2);
    QVERIFY(!port.IsOpen());
  }

  void deviceThatStaysAway_data() { pullAndReplug_data(); }

  // Pulled and not back: a press reports the open's failure with the ports
  // (no box where nobody could answer it); with the box, "Close" leaves the
  // window usable and the port closed; once the device is back, a press
  // works.
  void deviceThatStaysAway() {
    QFETCH(bool, transmitter);
#ifdef _WIN32
    if (!transmitter) QSKIP("under wine a read on a pulled line returns no byte instead of failing");
#endif
    PtyLine cable(PtyLine::kLasting);
    FaultStation station(transmitter ? TransmitterProfile() : ReceiverProfile(), cable.Path());
    station.Form.show();
    cable.Pull();
    station.Press();
    QCOMPARE(station.Reports.size(), 1);

    const std::string device = CommPlatform::DevicePath(cable.Path());  // \\.\COM21 for COM21
    const QString failedOpen = QString::fromStdString("Serial port " + cable.Path() +
                                                      (device != cable.Path() ? " (" + device + ")" : "")) +
                               ": opening the serial port failed: ";
    QVERIFY(station.Press() < kMostSeconds);
    QCOMPARE(station.Reports.size(), 2);
    const QString& report = station.Reports[1];
    QVERIFY2(report.startsWith(failedOpen) &&
                 (report.contains(".\n\nSerial ports on this machine:\n") ||
                  report.contains(".\n\nNo serial ports were found on this machine.\n")) &&
                 report.endsWith("\nThe next press tries again."),
             qPrintable(report));

    station.Form.OfferPortBox(true);
    {
      BoxAnswer closing([](TPortDialog& box) { box.Close->click(); });
      station.Press();
      QVERIFY2(closing.Sentence.startsWith(failedOpen), qPrintable(closing.Sentence));
    }
    QCOMPARE(station.Reports.size(), 2);
    QVERIFY(station.Form.isVisible());
    QVERIFY(!station.Form.State().Port.IsOpen());
    QVERIFY(station.Form.Button1->isEnabled());

    cable.Plug();
    BoxAnswer none([](TPortDialog& box) { box.Close->click(); });
    if (transmitter) {
      station.Press();
      SentWhatItListed(station, cable);
    } else {
      Sender sender;
      GoodRunShowsWhatWasSent(sender, station, cable, true);
      if (QTest::currentTestFailed()) return;
    }
    QVERIFY(none.Sentence.isEmpty());
    QCOMPARE(station.Reports.size(), 2);
  }

  // In the box of a device that stays away another one is chosen: the press
  // runs on it at once, and the station keeps it.
  void anotherDeviceFromTheBox() {
    PtyLine cable(PtyLine::kLasting);
    PtyLine other;
    FaultStation tx(TransmitterProfile(), cable.Path());
    tx.Form.OfferPortBox(true);
    cable.Pull();
    tx.Press();
    QCOMPARE(tx.Reports.size(), 1);

    BoxAnswer choosing([&](TPortDialog& box) {
      box.Entry->setText(QString::fromStdString(other.Path()));
      box.Open->click();
    });
    tx.Press();
    QVERIFY(!choosing.Sentence.isEmpty());
    QCOMPARE(tx.Reports.size(), 1);
    SentWhatItListed(tx, other);
    QCOMPARE(tx.Form.Profile().DeviceName(), other.Path());
  }

  // A press that waits out the read time-out, a short frame, a first byte
  // that is no frame mark, a byte the line does not take in time: none of
  // them is a lost device, so the port stays open and held.
  void timeoutsAndBadFramesKeepThePort() {
    Sender sender;
    PtyLine line;
    FaultStation rx(ReceiverProfile(), line.Path());
    rx.Press();
    std::vector<std::uint8_t> shortFrame = sender.Frame();
    shortFrame.resize(FRAME_SIZE / 2);
    for (const std::vector<std::uint8_t>& bytes : {shortFrame, std::vector<std::uint8_t>{7}}) {
      line.SendByteByByte(bytes);
      QVERIFY(line.WaitQueued(static_cast<int>(bytes.size())));
      rx.Press();
    }
    QCOMPARE(rx.Reports.size(), 0);
    QCOMPARE(rx.Form.Memo1->document()->blockCount(), 200);  // the short frame's run
    QVERIFY(rx.Form.State().Port.IsOpen());

    PtyLine stalled;
    FaultStation tx(TransmitterProfile(), stalled.Path());
    QVERIFY(stalled.Fill() > 0);
    tx.Press();
    QCOMPARE(tx.Reports.size(), 1);
    QVERIFY(tx.Form.State().Port.IsOpen());
#ifndef _WIN32
    QVERIFY(HeldAlone(line.Path()) && HeldAlone(stalled.Path()));
#endif
  }
};

QTEST_MAIN(ReplugTest)
#include "ReplugTest.moc"
