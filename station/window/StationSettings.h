// StationSettings.h - the one store of what a station remembers between
// starts: QSettings with organisation and application "sigstations" (on
// Linux ~/.config/sigstations/sigstations.conf and /etc/xdg/sigstations/, on
// Windows the registry under Software\sigstations\sigstations). The port
// (PortChoice) and the folder a run was last saved in (RunSave) live there,
// each in the station's own group.
#pragma once

constexpr const char* kSettingsOrganisation = "sigstations";
constexpr const char* kSettingsApplication = "sigstations";
