#include "Startup.h"

#include <clocale>
#include <cstdio>
#include <exception>
#include <string>

#include <QApplication>
#include <QIcon>

#include "CommPort.h"
#include "ErrorReport.h"
#include "PortChoice.h"
#include "StationCommandLine.h"
#include "Unit1.h"

namespace {

void Print(std::FILE* stream, const QString& text) {
  std::fputs(text.toLocal8Bit().constData(), stream);
  std::fflush(stream);
}

}  // namespace

int RunStation(int& argc, char** argv, const std::function<TStationProfile()>& makeProfile) {
  TStationProfile profile = makeProfile();
  // Before the application object: --help, --version and a misuse need no
  // display, and Qt gets only its own options.
  TStationCommand command = ReadCommandLine(argc, argv);
  switch (command.Action) {
    case TStationCommand::Help:
      Print(stdout, HelpText(profile));
      return 0;
    case TStationCommand::Version:
      Print(stdout, VersionText(profile));
      return 0;
    case TStationCommand::Misuse:
      Print(stderr, profile.Program + ": " + command.Problem + "\n" + UsageText(profile) +
                        "Try '" + profile.Program + " --help' for more.\n");
      return 2;
    case TStationCommand::Run:
      break;
  }
  if (command.Save) {
    QString message;
    const bool saved = SavePort(profile, command.Port, message);
    Print(saved ? stdout : stderr, message + "\n");
    if (!saved) return 1;
  }
  const TPortChoice choice = ChoosePort(profile, command.Port);
  profile.Device = choice.Device;

  int qtArgc = static_cast<int>(command.QtArguments.size()) - 1;
  QApplication application(qtArgc, command.QtArguments.data());
  // The memos and the axes write numbers with the user's decimal separator,
  // the C numeric locale's (NumberText.h). Qt sets the C locale from the
  // environment on Unix only; on Windows this takes the user's regional
  // format, so both platforms list alike.
  std::setlocale(LC_NUMERIC, "");
  if (!profile.IconPath.isEmpty()) QApplication::setWindowIcon(QIcon(profile.IconPath));
  try {
    TForm1 form(profile);
    form.show();
    return QApplication::exec();
  } catch (const ECommError& error) {
    ReportToUser(nullptr, CommErrorSentence(profile.PortName, profile.Device, error) + "\n\n" +
                              PortAdvice(profile, choice));
  } catch (const std::exception& error) {
    ReportToUser(nullptr, QString::fromLocal8Bit(error.what()));
  }
  // A failed start is a failure, not a success.
  return 1;
}
