#include "StationCommandLine.h"

#include <cstring>
#include <string_view>


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

QString UsageText(const TStationProfile& profile) {
  return QString(
             "Usage: %1 [-p DEVICE | --port DEVICE [--save]] [Qt options]\n"
             "       %1 --help | --version\n")
      .arg(profile.Program);
}

QString VersionText(const TStationProfile& profile) {
  return QString("%1 (sigstations) %2\n").arg(profile.Program, QStringLiteral(SIG_VERSION));
}
