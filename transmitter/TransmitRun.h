// TransmitRun.h - the transmitting station: its profile and its run.
//
// Interface summary
//   TransmitterProfile()   caption, button, icon, "COM2", set-up, run
//   TransmitRun(form)      generate -> list -> send -> chart
#pragma once

#include "StationProfile.h"

// The profile of sigtx.
TStationProfile TransmitterProfile();

// One run: fresh signals, listed, sent as one frame, analysed and charted.
// A failed send throws ECommError before the charts change.
void TransmitRun(TForm1& form);
