#include "StationCommandLine.h"

#include <cstring>
#include <string_view>

#include "PortChoice.h"
#include "PortText.h"
#include "StationSettings.h"

namespace {

// Qt's own options (QGuiApplication, QApplication, the X11 platform), passed
// on to it: those followed by a value, and those that stand alone. Qt also
// takes each with two dashes.
constexpr const char* kQtOptionsWithValue[] = {
    "platform", "platformpluginpath", "platformtheme", "plugin", "qwindowgeometry", "geometry",
    "qwindowicon", "icon", "qwindowtitle", "title", "session", "display", "name", "visual",
    "style", "stylesheet"};
constexpr const char* kQtFlags[] = {"reverse", "widgetcount", "testability", "nograb", "dograb"};
constexpr const char* kQtOptionsWithEquals[] = {"style=", "stylesheet=", "qmljsdebugger="};

// Whether `arg` is one of Qt's options, and whether a value follows it.
enum class TQtOption { None, Alone, WithValue };

TQtOption QtOption(std::string_view arg) {
  if (arg.size() < 2 || arg[0] != '-') return TQtOption::None;
  arg.remove_prefix(arg.substr(0, 2) == "--" ? 2 : 1);
  for (const char* option : kQtOptionsWithValue)
    if (arg == option) return TQtOption::WithValue;
  for (const char* option : kQtFlags)
    if (arg == option) return TQtOption::Alone;
  for (const char* option : kQtOptionsWithEquals)
    if (arg.substr(0, std::strlen(option)) == option) return TQtOption::Alone;
  return TQtOption::None;
}

QString UsageText(const TStationProfile& profile) {
  return QString(
             "Usage: %1 [-p DEVICE | --port DEVICE [--save]] [Qt options]\n"
             "       %1 --help | --version\n")
      .arg(profile.Program);
}

TStationCommand Misuse(TStationCommand command, const QString& problem) {
  command.Action = TStationCommand::Misuse;
  command.Problem = problem;
  return command;
}

}  // namespace

TStationCommand ReadCommandLine(int argc, char** argv) {
  TStationCommand command;
  if (argc > 0) command.QtArguments.push_back(argv[0]);
  for (int i = 1; i < argc; ++i) {
    const std::string_view arg = argv[i];
    if (arg == "--help" || arg == "-h") {
      command.Action = TStationCommand::Help;
      return command;
    }
    if (arg == "--version") {
      command.Action = TStationCommand::Version;
      return command;
    }
    if (arg.substr(0, 7) == "--port=") {
      command.Port = arg.substr(7);
      if (command.Port.empty()) return Misuse(command, "option --port needs a DEVICE");
      continue;
    }
    if (arg == "--port" || arg == "-p") {
      // No device begins with a dash: "--port --save" lacks one.
      if (i + 1 == argc || argv[i + 1][0] == '\0' || argv[i + 1][0] == '-')
        return Misuse(command, QString("option %1 needs a DEVICE").arg(argv[i]));
      command.Port = argv[++i];
      continue;
    }
    if (arg == "--save") {
      command.Save = true;
      continue;
    }
    if (const TQtOption option = QtOption(arg); option != TQtOption::None) {
      command.QtArguments.push_back(argv[i]);
      if (option == TQtOption::WithValue && i + 1 < argc) command.QtArguments.push_back(argv[++i]);
      continue;
    }
    if (arg.size() > 1 && arg[0] == '-') return Misuse(command, QString("unknown option '%1'").arg(argv[i]));
    return Misuse(command, QString("unexpected argument '%1'").arg(argv[i]));
  }
  if (command.Save && command.Port.empty()) return Misuse(command, "--save needs --port DEVICE");
  command.QtArguments.push_back(nullptr);
  return command;
}

// What DEVICE may be, as this platform names its ports.
#ifdef _WIN32
#define SIG_EXAMPLE_DEVICES "a COM name such as\n                     COM5, or a device path"
#else
#define SIG_EXAMPLE_DEVICES "a device such as\n                     /dev/ttyUSB0 or /dev/serial/by-id/..., or a COM name"
#endif

QString HelpText(const TStationProfile& profile) {
  const QString port = DeviceText(profile.PortName);
  const TPortChoice now = ChoosePort(profile, {});
  QString text = UsageText(profile);
  text += QString(
              "\n"
              "Opens the station's window on its serial port %1.\n"
              "\n"
              "  -p, --port DEVICE  use DEVICE for %1 (also --port=DEVICE): " SIG_EXAMPLE_DEVICES "\n"
              "      --save         with --port: keep DEVICE in the user's settings for the\n"
              "                     next starts (a menu entry's too)\n"
              "  -h, --help         show this text\n"
              "      --version      show the version\n"
              "\n"
              "%1 leads to the first of:\n"
              "  1. --port DEVICE;\n"
              "  2. the environment variable %2;\n"
              "  3. the setting %3 of the user's settings,\n"
              "       %4\n"
              "     else of the settings for all users,\n"
              "       %5\n"
              "  4. %6, the built-in device of %1.\n"
              "An empty value counts as none. Now %1 leads to %7 (%8).\n"
              "\n"
              "%9"
              "\n"
              "Qt's own options (-platform NAME, -display NAME, -style NAME, -geometry WxH+X+Y,\n"
              "-reverse, ...) are passed on to Qt.\n")
              .arg(port, PortVariable(profile), PortSettingKey(profile), StationSettings().fileName(),
                   StationSettings(QSettings::SystemScope).fileName(), ShownDevice(profile.PortName))
              .arg(ShownDevice(now.Device), now.Source.isEmpty() ? QStringLiteral("built in") : now.Source, PortListText());
  return text;
}

QString VersionText(const TStationProfile& profile) {
  return QString("%1 (sigstations) %2\n").arg(profile.Program, QStringLiteral(SIG_VERSION));
}

QString MisuseText(const TStationProfile& profile, const QString& problem) {
  return profile.Program + ": " + problem + "\n" + UsageText(profile) + "Try '" + profile.Program +
         " --help' for more.\n";
}
