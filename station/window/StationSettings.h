// StationSettings.h - the one store of what a station remembers between
// starts: QSettings with organisation and application "sigstations" (on
// Linux ~/.config/sigstations/sigstations.conf and /etc/xdg/sigstations/, on
// Windows the registry under Software\sigstations\sigstations). The port
// (PortChoice) and the folder a run was last saved in (RunSave) live there,
// each in the station's own group.
//
// Interface summary
//   QSettings settings = StationSettings();          the user's
//   StationSettings(QSettings::SystemScope)          the one for all users
#pragma once

#include <QSettings>

inline QSettings StationSettings(QSettings::Scope scope = QSettings::UserScope) {
  return QSettings(scope, QStringLiteral("sigstations"), QStringLiteral("sigstations"));
}
