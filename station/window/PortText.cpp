#include "PortText.h"

#include <QFile>

#include "CommPlatform.h"

QString DeviceText(const std::string& device) { return QFile::decodeName(device.c_str()); }

std::string DeviceOf(const QString& text) { return QFile::encodeName(text).toStdString(); }

QString ShownDevice(const std::string& device) {
  const std::string path = CommPlatform::DevicePath(device);
  return DeviceText(path.empty() ? device : path);
}

QString PortListLine(const CommPortInfo& port) {
  QString line = DeviceText(port.Device);
  if (!port.Description.empty()) line += " (" + QString::fromStdString(port.Description) + ")";
  return line;
}
