// StationCommandLine.h - a station's command line: the options read, Qt's
// own passed on, and the texts of --version and a misuse.
//
// Interface summary
//   TStationCommand c = ReadCommandLine(argc, argv);   our options read, Qt's kept
//   UsageText(profile) / VersionText(profile)
//
// Reading the options touches no settings and needs no application object,
// so --help, --version and a misuse are answered without a display. Where
// the port leads, --save and the help text are the port choice's
// (PortChoice.h).
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

QString UsageText(const TStationProfile& profile);
QString VersionText(const TStationProfile& profile);
