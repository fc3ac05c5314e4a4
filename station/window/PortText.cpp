#include "PortText.h"

#include <vector>

#include <QFile>

#include "CommPlatform.h"

QString DeviceText(const std::string& device) { return QFile::decodeName(device.c_str()); }

std::string DeviceOf(const QString& text) { return QFile::encodeName(text).toStdString(); }

QString ShownDevice(const std::string& device) {
  const std::string path = CommPlatform::DevicePath(device);
  return DeviceText(path.empty() ? device : path);
}

QString PortListLine(const CommPortInfo& port) {
  const QString device = DeviceText(port.Device);
  const QString description = QString::fromStdString(port.Description);
  if (description.isEmpty()) return device;
  if (description.endsWith("(" + device + ")")) return description;
  return device + " (" + description + ")";
}

QString PortListText() {
  const std::vector<CommPortInfo> ports = CommPlatform::ListPorts();
  if (ports.empty()) return QStringLiteral("No serial ports were found on this machine.\n");
  QString text = QStringLiteral("Serial ports on this machine:\n");
  for (const CommPortInfo& port : ports) text += "  " + PortListLine(port) + '\n';
  return text;
}
