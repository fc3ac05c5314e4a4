// The real programs on a machine without their serial devices: one error
// sentence on standard error and exit status 1, no window left waiting.
#include <QFile>
#include <QProcess>
#include <QTest>

class StartTest : public QObject {
  Q_OBJECT

private slots:
  void startWithoutThePortFails_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("device");
    QTest::newRow("sigtx") << SIGTX_PATH << "COM2" << "/dev/ttyS1";
    QTest::newRow("sigrx") << SIGRX_PATH << "COM3" << "/dev/ttyS2";
  }

  void startWithoutThePortFails() {
    QFETCH(QString, program);
    QFETCH(QString, port);
    QFETCH(QString, device);
    // Where the device exists the program would open it and show its window.
    if (QFile::exists(device)) QSKIP("the serial device exists on this machine");

    QProcess process;
    process.start(program, {});
    QVERIFY(process.waitForStarted(5000));
    QVERIFY2(process.waitForFinished(20000), "the program did not end");
    QCOMPARE(process.exitStatus(), QProcess::NormalExit);
    QCOMPARE(process.exitCode(), 1);
    const QStringList lines =
        QString::fromLocal8Bit(process.readAllStandardError()).split('\n', Qt::SkipEmptyParts);
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].contains(port) && lines[0].contains(device) && lines[0].contains("open"),
             qPrintable(lines[0]));
    QVERIFY(process.readAllStandardOutput().isEmpty());
  }
};

QTEST_MAIN(StartTest)
#include "StartTest.moc"
