// PortText.h - how devices and ports read in a station's texts: the help,
// the advice after a failed start, the port box and the error sentence.
//
// Interface summary
//   DeviceText(device)      a device name as text (the platform's file-name encoding)
//   DeviceOf(text)          ... and back
//   ShownDevice(device)     the device path of a COM name, anything else as it is
//   PortListLine(port)      "DEVICE (DESCRIPTION)", or the device alone
//   PortListText()          this machine's ports, a line each, for a person
#pragma once

#include <string>

#include <QString>

struct CommPortInfo;

QString DeviceText(const std::string& device);
std::string DeviceOf(const QString& text);

// The device a name leads to, as a person reads it (CommPlatform::DevicePath
// of a COM name); a name the platform cannot map is shown as it was given.
QString ShownDevice(const std::string& device);

// One port as the lists show it: the device, and in brackets what the system
// knows of it; a description that already names the device (Windows'
// friendly name "USB-SERIAL CH340 (COM5)", as Device Manager shows it) alone.
QString PortListLine(const CommPortInfo& port);

// "Serial ports on this machine:" and a PortListLine each, indented, or that
// no serial ports were found; one line break at the end.
QString PortListText();
