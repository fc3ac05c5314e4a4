// StationCommandLine.h - a station's command line: the options read, Qt's
// own passed on, and the texts of --help, --version and a misuse.
//
// Interface summary
//   TStationCommand c = ReadCommandLine(argc, argv);   our options read, Qt's kept
//   HelpText(profile)                    usage, options, where the port leads and why
//   VersionText(profile)                 "sigtx (sigstations) 1.0.0"
//   MisuseText(profile, c.Problem)       the problem, the usage, a pointer to --help
//
// Reading the options touches no settings and needs no application object,
// so --help, --version and a misuse are answered without a display. Where
// the port leads and --save are the port choice's (PortChoice.h).
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

// The usage, the options, the order of the mapping with the settings files
// of this machine, and where the port leads now.
QString HelpText(const TStationProfile& profile);
QString VersionText(const TStationProfile& profile);
QString MisuseText(const TStationProfile& profile, const QString& problem);
