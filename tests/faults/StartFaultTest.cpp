// The real programs starting on a port they cannot have: another program
// holds it, or the driver refuses a line setting. Each program is started
// with --port on a pseudo-terminal of the test; it must write one sentence on
// standard error, then what the user can do, and end with status 1, without
// showing a window or waiting.
#include <sys/file.h>

#include <QElapsedTimer>
#include <QFileInfo>
#include <QProcess>
#include <QTest>

#include "PtyLine.h"

namespace {

struct Station {
  QString Program, Port;
};

Station StationNamed(const QString& name) {
  if (name == "sigtx") return {SIGTX_PATH, "COM2"};
  return {SIGRX_PATH, "COM3"};
}

// Starts the station with its port on `device`, with the variables of
// `extra` ("NAME=VALUE") added to its environment.
void Start(QProcess& process, const Station& station, const PtyLine& device, const QStringList& extra = {}) {
  QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
  // A preloaded module must not trip the sanitizer's library-order check.
  const QString asan = environment.value("ASAN_OPTIONS");
  environment.insert("ASAN_OPTIONS", (asan.isEmpty() ? "" : asan + ":") + "verify_asan_link_order=0");
  for (const QString& variable : extra) environment.insert(variable.section('=', 0, 0), variable.section('=', 1));
  process.setProcessEnvironment(environment);
  process.start(station.Program, {"--port", QString::fromStdString(device.Path())});
}

// Waits for the station to end and checks that it failed to start as it
// should: status 1, one sentence naming the port, its device and `reason`,
// then the advice, which ends with the way to choose another device.
void ExpectFailedStart(QProcess& process, const Station& station, const PtyLine& device, const QString& reason) {
  QElapsedTimer clock;
  clock.start();
  QVERIFY(process.waitForStarted(5000));
  QVERIFY2(process.waitForFinished(30000), "the station did not end");
  const QString errors = QString::fromLocal8Bit(process.readAllStandardError());
  QCOMPARE(process.exitStatus(), QProcess::NormalExit);
  QCOMPARE(process.exitCode(), 1);
  const QStringList lines = errors.split('\n', Qt::SkipEmptyParts);
  QVERIFY2(lines.size() >= 2, qPrintable(errors));
  QVERIFY2(lines[0].contains(station.Port) && lines[0].contains(QString::fromStdString(device.Path())) &&
               lines[0].contains(reason),
           qPrintable(lines[0]));
  QVERIFY2(lines.last().startsWith("Start " + QFileInfo(station.Program).fileName() + " with --port DEVICE"),
           qPrintable(errors));
  QVERIFY(process.readAllStandardOutput().isEmpty());
  // Starting is quick; a wait here would be a time-out gone wrong.
  QVERIFY2(clock.elapsed() < 20000, qPrintable(QString::number(clock.elapsed())));
}

}  // namespace

class StartFaultTest : public QObject {
  Q_OBJECT

private slots:
  void portHeldByAnotherProgram_data() {
    QTest::addColumn<QString>("station");
    QTest::addColumn<bool>("secondCopy");
    QTest::newRow("sigtx, a lock") << "sigtx" << false;
    QTest::newRow("sigrx, a lock") << "sigrx" << false;
    QTest::newRow("sigtx, a second copy") << "sigtx" << true;
    QTest::newRow("sigrx, a second copy") << "sigrx" << true;
  }

  void portHeldByAnotherProgram() {
    QFETCH(QString, station);
    QFETCH(bool, secondCopy);
    const Station s = StationNamed(station);
    PtyLine device;

    QProcess first;
    if (secondCopy) {
      // The first copy starts, opens its port and keeps running.
      Start(first, s, device);
      QVERIFY(first.waitForStarted(5000));
      const bool settled =
          QTest::qWaitFor([&] { return device.Locked() || first.state() != QProcess::Running; }, 20000);
      QVERIFY2(settled && device.Locked(), qPrintable(QString::fromLocal8Bit(first.readAllStandardError())));
    } else {
      QCOMPARE(flock(device.StationFd(), LOCK_EX | LOCK_NB), 0);
    }

    QProcess second;
    Start(second, s, device);
    ExpectFailedStart(second, s, device, "Device or resource busy");

    if (secondCopy) {
      // The first copy is untouched by the failed start.
      QCOMPARE(first.state(), QProcess::Running);
      first.terminate();
      QVERIFY(first.waitForFinished(10000));
    }
  }

  void lineSettingRefused_data() {
    QTest::addColumn<QString>("station");
    QTest::addColumn<QString>("speed");
    QTest::addColumn<QString>("reason");
    // Opening forces 19200 baud; the set-up then asks for 9600.
    QTest::newRow("sigtx, 9600") << "sigtx" << "9600" << "changing the baud rate failed: Invalid argument";
    QTest::newRow("sigrx, 9600") << "sigrx" << "9600" << "changing the baud rate failed: Invalid argument";
    QTest::newRow("sigrx, 19200") << "sigrx" << "19200" << "configuring the serial line failed: Invalid argument";
  }

  void lineSettingRefused() {
    QFETCH(QString, station);
    QFETCH(QString, speed);
    QFETCH(QString, reason);
    const Station s = StationNamed(station);
    PtyLine device;

    QProcess process;
    Start(process, s, device, {"SIG_REFUSE_SPEED=" + speed, QString("LD_PRELOAD=") + REFUSE_SPEED_PATH});
    ExpectFailedStart(process, s, device, reason);
  }
};

QTEST_MAIN(StartFaultTest)
#include "StartFaultTest.moc"
