// PortText.h - how devices and ports read in a station's texts: the help,
// the advice after a failed start, the port box and the error sentence.
//
// Interface summary
//   DeviceText(device)      a device name as text (the platform's file-name encoding)
//   DeviceOf(text)          ... and back
//   ShownDevice(device)     the device path of a COM name, anything else as it is
//   PortListLine(port)      "DEVICE (DESCRIPTION)", or the device alone
#pragma once

#include <string>

#include <QString>

struct CommPortInfo;

QString DeviceText(const std::string& device);
std::string DeviceOf(const QString& text);

// The device a name leads to, as a person reads it (CommPlatform::DevicePath
// of a COM name); a name the platform cannot map is shown as it was given.
QString ShownDevice(const std::string& device);

// One port of the machine's list.
QString PortListLine(const CommPortInfo& port);
