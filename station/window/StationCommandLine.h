// StationCommandLine.h - a station's command line and settings: which device
// its fixed port leads to, and the texts of --help, --version and a misuse.
//
// Interface summary
//   TStationCommand c = ReadCommandLine(argc, argv);   our options read, Qt's kept
//   TPortChoice p = ChoosePort(profile, c.Port);       option, environment, settings, built-in
//   SavePort(profile, device, message)                 --save: into the user's settings
//   HelpText(profile) / VersionText(profile) / UsageText(profile)
//   PortAdvice(profile, choice)                        after a failed start
//
// The fixed port name (COM2, COM3) leads to the first of: --port DEVICE; the
// environment variable SIGTX_PORT / SIGRX_PORT; the setting sigtx/port /
// sigrx/port of the user's settings, else of the settings for all users
// (QSettings, organisation and application "sigstations"); else the name
// itself, which the platform maps (/dev/ttyS1, \\.\COM2). An empty value
// counts as none. Nothing here needs the application object, so --help and a
// misuse are answered without a display.
#pragma once

#include <string>
#include <vector>

#include <QString>

#include "StationProfile.h"

struct TStationCommand {
  enum TAction { Run, Help, Version, Misuse };
  TAction Action = Run;
  std::string Port;  // --port DEVICE; empty when not given
  bool Save = false;  // --save
  // argv[0] and Qt's own options with their values, for QApplication; ends
  // in a null pointer, which the count leaves out.
  std::vector<char*> QtArguments;
  QString Problem;  // for a misuse: what is wrong, one line
};

// Reads the options. The first of --help, --version or a mistake (an
// unknown option, an option without its value, an argument, --save without
// --port) decides the action.
TStationCommand ReadCommandLine(int argc, char** argv);

// Where the port leads, and who said so.
struct TPortChoice {
  std::string Device;  // for TStationProfile::Device
  // "--port", "the environment variable SIGTX_PORT", "the setting sigtx/port
  // in FILE"; empty for the built-in device.
  QString Source;
};

TPortChoice ChoosePort(const TStationProfile& profile, const std::string& portOption);

// Stores `device` as the user's setting for the station. Returns whether it
// was written; `message` says where, or why not.
bool SavePort(const TStationProfile& profile, const std::string& device, QString& message);

QString UsageText(const TStationProfile& profile);
// The usage, the options, the order of the mapping with the settings files
// of this machine, and where the port leads now.
QString HelpText(const TStationProfile& profile);
QString VersionText(const TStationProfile& profile);

// What to do after a failed start: the serial ports this machine has, where
// the device came from when it was not the built-in one, and --port.
QString PortAdvice(const TStationProfile& profile, const TPortChoice& choice);
