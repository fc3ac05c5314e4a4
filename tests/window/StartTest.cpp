// The real programs' start: the command line (--help, --version, a misuse:
// all without a display; Qt's own options passed on), the device the fixed port leads to (option,
// environment, the user's settings, the settings for all users, built in),
// --save and the next start without options, and a start that fails for want
// of its device: one sentence, the ports of this machine and how to choose
// another, exit status 1, no window left waiting; offscreen the port box
// that a screen shows then is driven in the process.
//
// Every station gets settings folders of the test's own (XDG_CONFIG_HOME,
// XDG_CONFIG_DIRS), so no test reads or writes the settings of the user who
// runs it. On Windows (under wine) the settings are the registry's, the wine
// prefix's own, which each test clears.
#ifndef _WIN32
#include <sys/ioctl.h>
#endif

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProcess>
#include <QPushButton>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include "CommPlatform.h"
#include "PortDialog.h"
#include "PtyLine.h"
#include "StationCommandLine.h"

namespace {

// The device a COM name leads to, as the messages show it.
QString ComDevice(const QString& name) {
#ifdef _WIN32
  return "\\\\.\\" + name;
#else
  return "/dev/ttyS" + QString::number(name.mid(3).toInt() - 1);
#endif
}

// The system's words for a device that is not there (ENOENT on Linux,
// ERROR_FILE_NOT_FOUND on Windows: both 2).
QString NoSuchDevice() { return QString::fromStdString(CommPlatform::ErrorText(2)); }

struct Outcome {
  int Status = -1;  // -1: did not start or end by itself (Run says how)
  QString Out, Err;
  QStringList ErrLines() const { return Err.split('\n', Qt::SkipEmptyParts); }
};

// Settings folders of a test's own and an environment that names them.
class Machine {
public:
#ifdef _WIN32
  Machine() { Clear(); }
  ~Machine() { Clear(); }
  QString UserFile() const { return QSettings(QSettings::UserScope, "sigstations", "sigstations").fileName(); }
  QString SystemFile() const { return QSettings(QSettings::SystemScope, "sigstations", "sigstations").fileName(); }
  static void Save(const QString& key, const QString& station, const QString& port) {
    QSettings(key, QSettings::NativeFormat).setValue(station + "/port", port);
  }
  bool NothingSaved() const { return QSettings(UserFile(), QSettings::NativeFormat).allKeys().isEmpty(); }
  void Clear() const {
    for (const QString& key : {UserFile(), SystemFile()}) QSettings(key, QSettings::NativeFormat).clear();
  }
#else
  Machine() { QDir(dir_.path()).mkpath("all"); }

  QString UserFile() const { return dir_.filePath("user/sigstations/sigstations.conf"); }
  QString SystemFile() const { return dir_.filePath("all/sigstations/sigstations.conf"); }

  // Writes `port` as the station's setting in `file`, as a person would.
  static void Save(const QString& file, const QString& station, const QString& port) {
    QDir().mkpath(QFileInfo(file).path());
    QFile out(file);
    QVERIFY(out.open(QIODevice::WriteOnly | QIODevice::Append));
    out.write(QString("[%1]\nport=%2\n").arg(station, port).toUtf8());
  }
  bool NothingSaved() const { return !QFile::exists(UserFile()); }
#endif

  // The stations' environment: no port variable and no display but
  // `platform` ("" for none at all: no DISPLAY, no QT_QPA_PLATFORM).
  QProcessEnvironment Environment(const QString& platform = "offscreen") const {
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "SIGTX_PORT", "SIGRX_PORT"})
      environment.remove(name);
    if (!platform.isEmpty()) environment.insert("QT_QPA_PLATFORM", platform);
    environment.insert("XDG_CONFIG_HOME", dir_.filePath("user"));
    environment.insert("XDG_CONFIG_DIRS", dir_.filePath("all"));
    return environment;
  }

private:
  QTemporaryDir dir_;
};

void Start(QProcess& process, const QString& program, const QStringList& arguments,
           const QProcessEnvironment& environment) {
  process.setProcessEnvironment(environment);
  process.start(program, arguments);
}

// Runs a station that must end by itself.
Outcome Run(const QString& program, const QStringList& arguments, const QProcessEnvironment& environment) {
  QProcess process;
  Start(process, program, arguments, environment);
  Outcome outcome;
  // Wine's loader now and then cannot place a new process (c0000018) on a
  // busy machine; then none of the station ran, and it is started once more.
  if (!process.waitForStarted(30000)) {
    qWarning("%s did not start (%s); once more", qPrintable(program), qPrintable(process.errorString()));
    Start(process, program, arguments, environment);
    if (!process.waitForStarted(30000)) return outcome;
  }
  if (!process.waitForFinished(30000)) {
    qWarning("%s did not end in 30 s: %s", qPrintable(program), qPrintable(process.errorString()));
    process.kill();
    process.waitForFinished(5000);
    return outcome;
  }
  // Windows ends the lines of text output with CR LF.
  outcome.Out = QString::fromLocal8Bit(process.readAllStandardOutput()).remove('\r');
  outcome.Err = QString::fromLocal8Bit(process.readAllStandardError()).remove('\r');
  if (process.exitStatus() == QProcess::NormalExit) {
    outcome.Status = process.exitCode();
  } else {
    // Under wine an exception code (0xC0000005 and the like) says what broke.
    qWarning("%s crashed, exit code 0x%x, after printing:\n%s%s", qPrintable(program),
             static_cast<unsigned>(process.exitCode()), qPrintable(outcome.Out), qPrintable(outcome.Err));
  }
  return outcome;
}

QString ProgramName(const QString& program) { return QFileInfo(program).baseName(); }  // no ".exe"

// The advice after a failed start: the ports of this machine (whatever they
// are), then the way to choose another device.
void ExpectAdvice(const QStringList& lines, const QString& program) {
  QVERIFY2(lines.contains("Serial ports on this machine:") ||
               lines.contains("No serial ports were found on this machine."),
           qPrintable(lines.join('\n')));
  QCOMPARE(lines.last(),
           "Start " + ProgramName(program) + " with --port DEVICE to use another; add --save to keep it.");
}

TStationProfile FailedAt(const QString& device) {
  TStationProfile profile;
  profile.Program = "sigrx";
  profile.PortName = "COM3";
  profile.Device = device.toStdString();
  return profile;
}

// The first is COM1 as the platform lists it.
#ifdef _WIN32
const std::vector<CommPortInfo> kPorts{{"COM1", ""}, {"/dev/ttyUSB0", "FTDI FT232R USB UART"}};
#else
const std::vector<CommPortInfo> kPorts{{"/dev/ttyS0", ""}, {"/dev/ttyUSB0", "FTDI FT232R USB UART"}};
#endif

}  // namespace

class StartTest : public QObject {
  Q_OBJECT

private slots:
  void startWithoutThePortFails_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QString>("device");
    QTest::newRow("sigtx") << SIGTX_PATH << "COM2" << ComDevice("COM2");
    QTest::newRow("sigrx") << SIGRX_PATH << "COM3" << ComDevice("COM3");
  }

  void startWithoutThePortFails() {
    QFETCH(QString, program);
    QFETCH(QString, port);
    QFETCH(QString, device);
    // Where the device exists the program would open it and show its window.
    if (QFile::exists(device)) QSKIP("the serial device exists on this machine");

    const Machine machine;
    const Outcome outcome = Run(program, {}, machine.Environment());
    QCOMPARE(outcome.Status, 1);
    const QStringList lines = outcome.ErrLines();
    QVERIFY2(lines.size() >= 2, qPrintable(outcome.Err));
    QCOMPARE(lines[0], "Serial port " + port + " (" + device + "): opening the serial port failed: " +
                           NoSuchDevice() + ".");
    // The built-in device needs no word on where it came from.
    QVERIFY2(!outcome.Err.contains(" led to "), qPrintable(outcome.Err));
    ExpectAdvice(lines, program);
    QVERIFY(outcome.Out.isEmpty());
  }

  void helpAndVersionNeedNoDisplay_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("option");
    QTest::addColumn<QStringList>("says");
    const QStringList help{"--port DEVICE", "--save", "--version", "-platform NAME", "An empty value counts as none."};
    QTest::newRow("sigtx --help") << SIGTX_PATH << "--help"
                                  << help + QStringList{"Usage: sigtx", "SIGTX_PORT", "sigtx/port",
                                                        "4. " + ComDevice("COM2"),
                                                        "Now COM2 leads to " + ComDevice("COM2") + " (built in)."};
    QTest::newRow("sigrx -h") << SIGRX_PATH << "-h"
                              << help + QStringList{"Usage: sigrx", "SIGRX_PORT", "sigrx/port", "4. " + ComDevice("COM3"),
                                                    "Now COM3 leads to " + ComDevice("COM3") + " (built in)."};
    QTest::newRow("sigtx --version") << SIGTX_PATH << "--version" << QStringList{"sigtx (sigstations) " SIG_VERSION "\n"};
    QTest::newRow("sigrx --version") << SIGRX_PATH << "--version" << QStringList{"sigrx (sigstations) " SIG_VERSION "\n"};
  }

  void helpAndVersionNeedNoDisplay() {
    QFETCH(QString, program);
    QFETCH(QString, option);
    QFETCH(QStringList, says);
    const Machine machine;
    const Outcome outcome = Run(program, {option}, machine.Environment(""));
    QCOMPARE(outcome.Status, 0);
    QVERIFY2(outcome.Err.isEmpty(), qPrintable(outcome.Err));
    for (const QString& text : says) QVERIFY2(outcome.Out.contains(text), qPrintable(text + " in:\n" + outcome.Out));
    // Help names the settings files of this machine, as QSettings finds them,
    // and its ports.
    if (option != "--version")
      QVERIFY2(outcome.Out.contains(machine.UserFile()) && outcome.Out.contains(machine.SystemFile()) &&
                   (outcome.Out.contains("\nSerial ports on this machine:\n") ||
                    outcome.Out.contains("\nNo serial ports were found on this machine.\n")),
               qPrintable(outcome.Out));
  }

  void misuseEndsWithTheUsage_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("problem");
    QTest::newRow("unknown option") << SIGTX_PATH << QStringList{"--bogus"} << "unknown option '--bogus'";
    QTest::newRow("--port without its device") << SIGRX_PATH << QStringList{"--port"}
                                                << "option --port needs a DEVICE";
    QTest::newRow("-p before an option") << SIGTX_PATH << QStringList{"-p", "--save"} << "option -p needs a DEVICE";
    QTest::newRow("--port= with nothing") << SIGRX_PATH << QStringList{"--port="} << "option --port needs a DEVICE";
    QTest::newRow("--save alone") << SIGTX_PATH << QStringList{"--save"} << "--save needs --port DEVICE";
    QTest::newRow("an argument") << SIGRX_PATH << QStringList{"/dev/ttyUSB0"}
                                 << "unexpected argument '/dev/ttyUSB0'";
    QTest::newRow("a mistake after --save") << SIGTX_PATH << QStringList{"--port", "/dev/ttyUSB0", "--save", "-x"}
                                            << "unknown option '-x'";
  }

  void misuseEndsWithTheUsage() {
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, problem);
    const Machine machine;
    const Outcome outcome = Run(program, arguments, machine.Environment(""));
    QCOMPARE(outcome.Status, 2);
    QVERIFY2(outcome.Out.isEmpty(), qPrintable(outcome.Out));
    const QStringList lines = outcome.ErrLines();
    QVERIFY2(!lines.isEmpty(), "nothing on standard error");
    QCOMPARE(lines[0], ProgramName(program) + ": " + problem);
    QVERIFY2(outcome.Err.contains("Usage: " + ProgramName(program) + " [-p DEVICE | --port DEVICE [--save]]"),
             qPrintable(outcome.Err));
    // Nothing was done before the mistake was found.
    QVERIFY(machine.NothingSaved());
  }

  // The options are read in the process, without settings or a display:
  // ours taken, Qt's passed on in order with their values, a null pointer last.
  void readCommandLine_data() {
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<int>("action");
    QTest::addColumn<QString>("port");
    QTest::addColumn<QStringList>("forQt");
    QTest::newRow("nothing") << QStringList{} << int(TStationCommand::Run) << "" << QStringList{};
    QTest::newRow("ours among Qt's")
        << QStringList{"-style", "Fusion", "--port", "/dev/ttyUSB0", "--save", "-reverse", "--display", ":1"}
        << int(TStationCommand::Run) << "/dev/ttyUSB0" << QStringList{"-style", "Fusion", "-reverse", "--display", ":1"};
    QTest::newRow("--port= keeps an = inside") << QStringList{"--port=/dev/a=b"} << int(TStationCommand::Run)
                                               << "/dev/a=b" << QStringList{};
    QTest::newRow("help wins over a later mistake") << QStringList{"-p", "COM5", "--help", "--bogus"}
                                                    << int(TStationCommand::Help) << "COM5" << QStringList{};
    QTest::newRow("a Qt value that looks like ours") << QStringList{"-title", "--save"} << int(TStationCommand::Run)
                                                     << "" << QStringList{"-title", "--save"};
  }

  void readCommandLine() {
    QFETCH(QStringList, arguments);
    QFETCH(int, action);
    QFETCH(QString, port);
    QFETCH(QStringList, forQt);
    std::vector<QByteArray> bytes{"sigtx"};
    for (const QString& argument : arguments) bytes.push_back(argument.toLocal8Bit());
    std::vector<char*> argv;
    for (QByteArray& argument : bytes) argv.push_back(argument.data());
    const TStationCommand command = ReadCommandLine(static_cast<int>(argv.size()), argv.data());
    QCOMPARE(int(command.Action), action);
    QCOMPARE(QString::fromStdString(command.Port), port);
    if (action != TStationCommand::Run) return;
    QCOMPARE(command.QtArguments.back(), nullptr);
    QStringList passed;
    for (std::size_t i = 1; i + 1 < command.QtArguments.size(); ++i) passed << command.QtArguments[i];
    QCOMPARE(passed, forQt);
    QCOMPARE(command.QtArguments.front(), argv.front());
  }

  // Qt's own options reach Qt: without a display the station gets as far as
  // its port only when "-platform offscreen" did.
  void qtOptionsReachQt_data() {
    QTest::addColumn<QStringList>("options");
    QTest::newRow("-platform") << QStringList{"-platform", "offscreen"};
    QTest::newRow("--platform, -reverse") << QStringList{"--platform", "offscreen", "-reverse"};
    QTest::newRow("with values and with =")
        << QStringList{"-style", "Fusion", "-platform", "offscreen", "-geometry", "100x100+0+0", "-qwindowtitle",
                       "x", "-stylesheet=none.qss", "-widgetcount"};
  }

  void qtOptionsReachQt() {
    QFETCH(QStringList, options);
    const Machine machine;
    const Outcome outcome = Run(SIGTX_PATH, options + QStringList{"--port", "/nonexistent/qt"}, machine.Environment(""));
    QCOMPARE(outcome.Status, 1);
    // (Qt may add warnings of its own, such as for a style sheet it cannot read.)
    QVERIFY2(outcome.Err.contains("Serial port COM2 (/nonexistent/qt): opening the serial port failed"),
             qPrintable(outcome.Err));
  }

  void portChoiceOrder_data() {
    QTest::addColumn<QString>("program");
    QTest::addColumn<QStringList>("arguments");
    QTest::addColumn<QString>("environment");  // null: not set
    QTest::addColumn<QString>("user");         // null: no setting
    QTest::addColumn<QString>("system");
    QTest::addColumn<QString>("device");
    QTest::addColumn<QString>("source");
    const QString none;
    const QString user = "/nonexistent/user", system = "/nonexistent/all", env = "/nonexistent/env";
    QTest::newRow("the user's setting") << SIGTX_PATH << QStringList{} << none << user << none << user
                                        << "the setting sigtx/port in %USER%";
    QTest::newRow("the setting for all users") << SIGRX_PATH << QStringList{} << none << none << system << system
                                               << "the setting sigrx/port in %SYSTEM%";
    QTest::newRow("the user's before all users'") << SIGTX_PATH << QStringList{} << none << user << system << user
                                                  << "the setting sigtx/port in %USER%";
    QTest::newRow("the environment before the settings")
        << SIGRX_PATH << QStringList{} << env << user << system << env << "the environment variable SIGRX_PORT";
    QTest::newRow("--port before everything") << SIGTX_PATH << QStringList{"--port", "/nonexistent/option"} << env
                                              << user << system << "/nonexistent/option" << "--port";
    QTest::newRow("-p") << SIGRX_PATH << QStringList{"-p", "/nonexistent/option"} << env << user << none
                        << "/nonexistent/option" << "--port";
    QTest::newRow("--port=") << SIGTX_PATH << QStringList{"--port=/nonexistent/option"} << none << user << none
                             << "/nonexistent/option" << "--port";
    QTest::newRow("an empty variable counts as none") << SIGTX_PATH << QStringList{} << "" << user << none << user
                                                      << "the setting sigtx/port in %USER%";
    QTest::newRow("an empty setting counts as none") << SIGRX_PATH << QStringList{} << none << "" << system
                                                     << system << "the setting sigrx/port in %SYSTEM%";
    QTest::newRow("a COM name, mapped") << SIGTX_PATH << QStringList{} << "COM109" << none << none << ComDevice("COM109")
                                        << "the environment variable SIGTX_PORT";
    // --port takes COM names by the port's one rule (any letter case, no
    // leading zeros; tests/port/CommPortTest.cpp).
    QTest::newRow("--port com112") << SIGRX_PATH << QStringList{"--port", "com112"} << none << none << none
                                   << ComDevice("com112") << "--port";
    QTest::newRow("--port COM02, no COM name") << SIGTX_PATH << QStringList{"--port", "COM02"} << none << none
                                               << none << "COM02" << "--port";
  }

  void portChoiceOrder() {
    QFETCH(QString, program);
    QFETCH(QStringList, arguments);
    QFETCH(QString, environment);
    QFETCH(QString, user);
    QFETCH(QString, system);
    QFETCH(QString, device);
    QFETCH(QString, source);
    if (QFile::exists(device)) QSKIP("the device exists on this machine");
    const QString station = ProgramName(program);
    const QString port = station == "sigtx" ? "COM2" : "COM3";
    const Machine machine;
    if (!user.isNull()) Machine::Save(machine.UserFile(), station, user);
    if (!system.isNull()) Machine::Save(machine.SystemFile(), station, system);
    QProcessEnvironment env = machine.Environment();
    if (!environment.isNull()) env.insert(station.toUpper() + "_PORT", environment);

    const Outcome outcome = Run(program, arguments, env);
    QCOMPARE(outcome.Status, 1);
    const QStringList lines = outcome.ErrLines();
    QVERIFY2(lines.size() >= 2, qPrintable(outcome.Err));
    // (The reason is the system's: on Windows a missing path is not a missing file.)
    QVERIFY2(lines[0].startsWith("Serial port " + port + " (" + device + "): opening the serial port failed: "),
             qPrintable(lines[0]));
    source.replace("%USER%", machine.UserFile()).replace("%SYSTEM%", machine.SystemFile());
    QVERIFY2(lines.contains(port + " led to " + device + " by " + source + "."), qPrintable(outcome.Err));
    ExpectAdvice(lines, program);
  }

  // The port box: the device that failed selected where listed (a COM name
  // by its path), and a word where a remembered device would not come first.
  void portBoxShowsTheFailure_data() {
    QTest::addColumn<QString>("tried");
    QTest::addColumn<QString>("source");
    QTest::addColumn<bool>("aheadOfSettings");
    QTest::addColumn<int>("listed");  // the first of kPorts
    QTest::addColumn<int>("selected");
    QTest::addColumn<QString>("note");  // empty: none shown
    QTest::newRow("listed, from --port") << "/dev/ttyUSB0" << "--port" << true << 2 << 1
                                         << "--port will still come first.";
    QTest::newRow("a COM name, built in") << "COM1" << "" << false << 2 << 0 << "";
    QTest::newRow("not listed, from the environment") << "/dev/ttyACM0" << "the environment variable SIGRX_PORT"
                                                      << true << 2 << -1
                                                      << "The environment variable SIGRX_PORT will still come first.";
    QTest::newRow("no ports, from a setting") << "/dev/ttyUSB0" << "the setting sigrx/port in F" << false << 0 << -1
                                              << "";
  }

  void portBoxShowsTheFailure() {
    QFETCH(QString, tried);
    QFETCH(QString, source);
    QFETCH(bool, aheadOfSettings);
    QFETCH(int, listed);
    QFETCH(int, selected);
    QFETCH(QString, note);
    TPortDialog box(FailedAt(tried), {tried.toStdString(), source, aheadOfSettings},
                    [&] { return std::vector(kPorts.begin(), kPorts.begin() + listed); });
    box.ShowFailure("the sentence");
    QCOMPARE(box.Sentence->text(), "the sentence");
    QCOMPARE(box.Entry->text(), tried);
    QCOMPARE(box.Ports->currentRow(), selected);
    QCOMPARE(box.PortsLabel->text(), listed > 0 ? "Serial ports on this machine:"
                                                : "No serial ports were found on this machine.");
    if (listed > 1) QCOMPARE(box.Ports->item(1)->text(), "/dev/ttyUSB0 (FTDI FT232R USB UART)");
    QCOMPARE(box.ComesFirst->isHidden() ? QString() : box.ComesFirst->text(), note);
  }

  // What a person does in the box: an adapter plugged in after it appeared
  // shows on "List again" and matches what was typed; a click on a port
  // fills the entry; an empty entry cannot be opened; a double-click opens.
  void portBoxChoosesADevice() {
    std::vector<CommPortInfo> ports;
    TPortDialog box(FailedAt("COM3"), {"COM3", {}}, [&] { return ports; });
    box.ShowFailure("the sentence");
    box.show();
    QTest::keyClicks(box.Entry, "/dev/ttyUSB0 ");
    ports = kPorts;
    QTest::mouseClick(box.ListAgain, Qt::LeftButton);
    QCOMPARE(box.Ports->currentRow(), 1);
    QCOMPARE(box.Entry->text(), "/dev/ttyUSB0 ");
    const auto at = [&](int row) { return box.Ports->visualItemRect(box.Ports->item(row)).center(); };
    QTest::mouseClick(box.Ports->viewport(), Qt::LeftButton, {}, at(0));
    QCOMPARE(box.Entry->text(), QString::fromStdString(kPorts[0].Device));
    box.Entry->clear();
    QVERIFY(!box.Open->isEnabled());
    QCOMPARE(box.result(), QDialog::Rejected);
    // A double-click as the window system delivers it: a click, then the double-click.
    QTest::mouseClick(box.Ports->viewport(), Qt::LeftButton, {}, at(1));
    QTest::mouseDClick(box.Ports->viewport(), Qt::LeftButton, {}, at(1));
    QCOMPARE(box.result(), QDialog::Accepted);
    QCOMPARE(box.Device(), "/dev/ttyUSB0");
  }

  // While shown, the box lists the ports anew a moment after a watched
  // folder changed (an adapter plugged in or pulled out), also one that
  // appears later (/dev/serial/by-id comes with the first adapter); a
  // Windows friendly name that names its port is the whole line. Hidden, it
  // watches nothing.
  void portBoxFollowsTheAdapters() {
    QTemporaryDir dev;
    std::vector<CommPortInfo> ports{{"COM5", "USB-SERIAL CH340 (COM5)"}};
    int listings = 0;
    TPortDialog box(FailedAt("COM5"), {"COM5", {}}, [&] { return ++listings > 1 ? ports : kPorts; },
                    {dev.path().toStdString(), dev.filePath("by-id").toStdString()});
    box.ShowFailure("the sentence");
    box.show();
    QVERIFY(QDir(dev.path()).mkdir("by-id"));
    QVERIFY(QTest::qWaitFor([&] { return listings == 2; }, 5000));
    QCOMPARE(box.Ports->item(0)->text(), "USB-SERIAL CH340 (COM5)");
    ports.clear();
    QVERIFY(QDir(dev.path()).mkdir("by-id/gone"));
    QVERIFY(QTest::qWaitFor([&] { return box.Ports->count() == 0; }, 5000));
    box.hide();
    QVERIFY(QDir(dev.path()).mkdir("again"));
    QTest::qWait(1000);
    QCOMPARE(listings, 3);
  }

  // --save keeps the device for the next start without options, as a menu
  // entry makes it; both starts open the device and hold it.
  void savedPortServesTheNextStart() {
#ifdef _WIN32
    QSKIP("wine cannot tell whether a program holds a port: a second open succeeds");
#else
    const Machine machine;
    PtyLine line;
    const QString device = QString::fromStdString(line.Path());

    QProcess saving;
    Start(saving, SIGRX_PATH, {"--port", device, "--save"}, machine.Environment());
    QVERIFY(saving.waitForStarted(5000));
    QVERIFY2(QTest::qWaitFor([&] { return line.Locked() || saving.state() != QProcess::Running; }, 20000) &&
                 line.Locked(),
             qPrintable(QString::fromLocal8Bit(saving.readAllStandardError())));
    saving.terminate();
    QVERIFY(saving.waitForFinished(10000));
    QCOMPARE(QString::fromLocal8Bit(saving.readAllStandardOutput()),
             "sigrx: COM3 leads to " + device + " from now on, saved as sigrx/port in " + machine.UserFile() + ".\n");
    QFile settings(machine.UserFile());
    QVERIFY(settings.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(settings.readAll()), "[sigrx]\nport=" + device + "\n");
    // Ended by a signal, the station could not take back its exclusive mark,
    // which would turn away an ordinary user's next open; a close does this.
    QCOMPARE(ioctl(line.StationFd(), TIOCNXCL), 0);

    QProcess next;
    Start(next, SIGRX_PATH, {}, machine.Environment());
    QVERIFY(next.waitForStarted(5000));
    QVERIFY2(QTest::qWaitFor([&] { return line.Locked() || next.state() != QProcess::Running; }, 20000) &&
                 line.Locked(),
             qPrintable(QString::fromLocal8Bit(next.readAllStandardError())));
    next.terminate();
    QVERIFY(next.waitForFinished(10000));
    QVERIFY(next.readAllStandardOutput().isEmpty());
#endif
  }
};

QTEST_MAIN(StartTest)
#include "StartTest.moc"
