// Startup.h - the start of a station program.
//
// Interface summary
//   return RunStation(argc, argv, MakeProfile);   the whole of main()
//
// The command line comes first (StationCommandLine.h): --help, --version and
// a misuse are answered there, without a display. Then --save stores the
// port and the device the station's port leads to is chosen (PortChoice.h),
// and the application object is made with Qt's own options (it also takes
// the number locale from the environment, which the sample text relies on);
// then the window, whose construction runs the station's set-up (again on
// each device the port box offers after a failure); then the message loop.
#pragma once

#include <functional>

#include "StationProfile.h"

// Runs one station until its window closes. A port failure while starting
// becomes one sentence (port name, device path, operation, system error),
// followed by the serial ports of this machine and how to choose another, on
// standard error. On a real screen the port box (PortDialog.h) then offers
// the ports: the window opens on the device chosen there (kept in the user's
// settings where asked), a failure shows the box again with its sentence,
// and closing the box ends the start; elsewhere no window is shown.
// Returns the exit status: 0 after the window closed or after --help and
// --version, 1 when start-up failed (or --save could not write), 2 for an
// unknown option or a missing value.
int RunStation(int& argc, char** argv, const std::function<TStationProfile()>& makeProfile);
