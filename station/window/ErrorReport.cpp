#include "ErrorReport.h"

#include <cstdio>

#include <QGuiApplication>
#include <QMessageBox>

#include "CommPort.h"

QString CommErrorSentence(const std::string& portName, const ECommError& error) {
  QString sentence = QStringLiteral("Serial port ") + QString::fromStdString(portName);
  const std::string path = CommPlatform::DevicePath(portName);
  if (!path.empty() && path != portName) sentence += " (" + QString::fromStdString(path) + ")";
  QString what = QString::fromStdString(DescribeCommError(error));
  if (!what.isEmpty()) what[0] = what[0].toLower();
  sentence += ": " + what;
  if (!sentence.endsWith('.')) sentence += '.';
  return sentence;
}

bool InteractivePlatform() {
  const QString platform = QGuiApplication::platformName();
  return !platform.isEmpty() && platform != "offscreen" && platform != "minimal";
}

void ReportToUser(QWidget* parent, const QString& sentence) {
  std::fprintf(stderr, "%s\n", sentence.toLocal8Bit().constData());
  std::fflush(stderr);
  // Without a screen nobody could close the box and the program would hang.
  if (InteractivePlatform()) QMessageBox::critical(parent, QGuiApplication::applicationDisplayName(), sentence);
}
