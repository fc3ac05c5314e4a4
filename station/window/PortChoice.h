// PortChoice.h - which device a station's fixed port leads to, the user's
// setting that --save writes, and the texts that explain the choice.
//
// Interface summary
//   TPortChoice p = ChoosePort(profile, c.Port);   option, environment, settings, built-in
//   SavePort(profile, device, message)             --save: into the user's settings
//   HelpText(profile)                              --help, with this machine's settings files
//   PortAdvice(profile, choice)                    after a failed start
//   PortListText() / PortLine(port)                this machine's ports, for a person
//
// The fixed port name (COM2, COM3) leads to the first of: --port DEVICE; the
// environment variable SIGTX_PORT / SIGRX_PORT; the setting sigtx/port /
// sigrx/port of the user's settings, else of the settings for all users
// (QSettings, organisation and application "sigstations"); else the name
// itself, which the platform maps (/dev/ttyS1, \\.\COM2). An empty value
// counts as none. Nothing here needs the application object.
#pragma once

#include <string>

#include <QString>

#include "CommPlatform.h"
#include "StationProfile.h"

// Where the port leads, and who said so.
struct TPortChoice {
  std::string Device;  // for TStationProfile::Device
  // "--port", "the environment variable SIGTX_PORT", "the setting sigtx/port
  // in FILE"; empty for the built-in device.
  QString Source;
  // --port or the environment, which come before any saved setting.
  bool AheadOfSettings = false;
};

TPortChoice ChoosePort(const TStationProfile& profile, const std::string& portOption);

// Stores `device` as the user's setting for the station. Returns whether it
// was written; `message` says where, or why not.
bool SavePort(const TStationProfile& profile, const std::string& device, QString& message);

// The usage, the options, the order of the mapping with the settings files
// of this machine, and where the port leads now.
QString HelpText(const TStationProfile& profile);

// What to do after a failed start: the serial ports this machine has, where
// the device came from when it was not the built-in one, and --port.
QString PortAdvice(const TStationProfile& profile, const TPortChoice& choice);

// One port as the lists show it: the device, and in brackets what the system
// knows of it; a description that already names the device (Windows'
// friendly name "USB-SERIAL CH340 (COM5)", as Device Manager shows it) alone.
QString PortLine(const CommPortInfo& port);

// "Serial ports on this machine:" and a PortLine each, indented, or that no
// serial ports were found; one line break at the end.
QString PortListText();
