// Startup.h - the start of a station program.
//
// Interface summary
//   return RunStation(argc, argv, MakeProfile);   the whole of main()
//
// The application object comes first (it also takes the number locale from
// the environment, which the sample text relies on); then the window, whose
// construction runs the station's set-up; then the message loop.
#pragma once

#include <functional>

#include "StationProfile.h"

// Runs one station until its window closes. A port failure while starting
// becomes one sentence (port name, device path, operation, system error) on
// standard error and, on a real screen, in an error box; no window is shown.
// Returns the exit status: 0 after the window closed, 1 when start-up failed.
int RunStation(int& argc, char** argv, const std::function<TStationProfile()>& makeProfile);
