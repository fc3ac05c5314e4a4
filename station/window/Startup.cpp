#include "Startup.h"

#include <cstdio>
#include <exception>
#include <string>

#include <QApplication>
#include <QIcon>

#include "CommPort.h"
#include "ErrorReport.h"
#include "Unit1.h"

int RunStation(int& argc, char** argv, const std::function<TStationProfile()>& makeProfile) {
  QApplication application(argc, argv);
  const TStationProfile profile = makeProfile();
  if (!profile.IconPath.isEmpty()) QApplication::setWindowIcon(QIcon(profile.IconPath));
  try {
    TForm1 form(profile);
    form.show();
    return QApplication::exec();
  } catch (const ECommError& error) {
    ReportToUser(nullptr, CommErrorSentence(profile.PortName, error));
  } catch (const std::exception& error) {
    ReportToUser(nullptr, QString::fromLocal8Bit(error.what()));
  }
  // A failed start is a failure, not a success.
  return 1;
}
