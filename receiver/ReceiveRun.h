// ReceiveRun.h - the receiving station: its profile and its run.
//
// Interface summary
//   ReceiverProfile()   caption, button, icon, "COM3", set-up, run
//   ReceiveRun(form)    take a frame -> list -> chart
#pragma once

#include "StationProfile.h"

// The profile of sigrx.
TStationProfile ReceiverProfile();

// One run: decodes the frame at the head of the receive queue; with no frame
// nothing changes, otherwise all 200 samples of each signal are listed and
// charted. A failing read throws ECommError.
void ReceiveRun(TForm1& form);
