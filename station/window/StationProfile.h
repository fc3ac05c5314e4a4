// StationProfile.h - what makes a station window the transmitter or the
// receiver: its texts, its icon, its port, and what it does.
//
// The window class is the same for both stations; a profile handed to it at
// construction supplies the differences, so both can live in one process.
#pragma once

#include <functional>
#include <string>

#include <QString>

class TForm1;

struct TStationProfile {
  QString Caption;        // the window's title
  QString ButtonCaption;  // the text on Button1
  QString IconPath;       // a resource path, e.g. ":/icons/sigtx.png"
  std::string PortName;   // "COM2", "COM3", or a device path
  // Runs at the end of the window's construction (opens the port); may throw.
  std::function<void(TForm1&)> SetUp;
  // One run per press of Button1; may throw ECommError.
  std::function<void(TForm1&)> Run;
};
