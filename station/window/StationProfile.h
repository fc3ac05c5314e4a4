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
  QString Program;        // "sigtx": the command, its settings group, SIGTX_PORT
  QString Caption;        // the window's title
  QString ButtonCaption;  // the text on Button1
  QString IconPath;       // a resource path, e.g. ":/icons/sigtx.png"
  std::string PortName;   // "COM2", "COM3", or a device path
  // The device PortName leads to (the start-up's choice): a path, or a port
  // name the platform maps (CommPlatform::DevicePath). Empty: PortName itself.
  std::string Device;
  // Runs at the end of the window's construction (opens the port); may throw.
  std::function<void(TForm1&)> SetUp;
  // One run per press of Button1; may throw ECommError.
  std::function<void(TForm1&)> Run;

  // What the set-up opens.
  const std::string& DeviceName() const { return Device.empty() ? PortName : Device; }
};
