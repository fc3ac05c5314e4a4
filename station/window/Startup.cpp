#include "Startup.h"

#include <clocale>
#include <cstdio>
#include <exception>
#include <memory>
#include <string>

#include <QApplication>
#include <QIcon>

#include "CommPort.h"
#include "ErrorReport.h"
#include "PortChoice.h"
#include "PortDialog.h"
#include "StationCommandLine.h"
#include "TextOutput.h"
#include "Unit1.h"

namespace {

// On Windows a window program's text needs a way to its reader (TextOutput.h).
void Print(std::FILE* stream, const QString& text) { WriteText(stream, text); }

// The window on the chosen device, until it closes. A port that does not
// open is reported on standard error; where a person can answer, the port
// box then offers other devices until one opens or the box is closed.
int RunWindow(TStationProfile profile, const TPortChoice& choice) {
  std::unique_ptr<TForm1> form;
  const auto tryOpen = [&](const std::string& device) {
    profile.Device = device;
    try {
      form = std::make_unique<TForm1>(profile);
      return QString();
    } catch (const ECommError& error) {
      return CommErrorSentence(profile.PortName, device, error);
    }
  };
  try {
    const QString sentence = tryOpen(profile.DeviceName());
    if (!sentence.isEmpty()) {
      // The first failure comes with the ports and the way to choose (on a
      // screen the port box shows it: no second box for it).
      WriteText(stderr, sentence + "\n\n" + PortAdvice(profile, choice) + "\n", TUnseen::Drop);
      // Without a screen nobody could answer the box: a failed start is a failure.
      if (!InteractivePlatform()) return 1;
      const auto report = [&form](QWidget*, const QString& message) { ReportToUser(form.get(), message); };
      if (OpenInPortBox(profile, choice, sentence, tryOpen, report, nullptr).empty()) return 1;
    }
  } catch (const std::exception& error) {
    ReportToUser(nullptr, QString::fromLocal8Bit(error.what()));
    return 1;
  }
  form->show();
  return QApplication::exec();
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
      Print(stderr, MisuseText(profile, command.Problem));
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
  return RunWindow(profile, choice);
}
