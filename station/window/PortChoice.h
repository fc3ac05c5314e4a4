// PortChoice.h - which device a station's fixed port leads to, the user's
// setting that --save writes, and the advice after a failed start.
//
// Interface summary
//   TPortChoice p = ChoosePort(profile, c.Port);   option, environment, settings, built-in
//   SavePort(profile, device, message)             --save: into the user's settings
//   PortAdvice(profile, choice)                    after a failed start
//   PortVariable(profile) / PortSettingKey(profile)   "SIGTX_PORT" / "sigtx/port"
//
// The fixed port name (COM2, COM3) leads to the first of: --port DEVICE; the
// environment variable SIGTX_PORT / SIGRX_PORT; the setting sigtx/port /
// sigrx/port of the user's settings, else of the settings for all users
// (StationSettings.h); else the name
// itself, which the platform maps (/dev/ttyS1, \\.\COM2). An empty value
// counts as none. Nothing here needs the application object.
#pragma once

#include <string>

#include <QString>

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

QString PortVariable(const TStationProfile& profile);
QString PortSettingKey(const TStationProfile& profile);

// What to do after a failed start: the serial ports this machine has, where
// the device came from when it was not the built-in one, and --port.
QString PortAdvice(const TStationProfile& profile, const TPortChoice& choice);
