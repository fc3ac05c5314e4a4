#include "ErrorReport.h"

#include <QGuiApplication>
#include <QMessageBox>

#include "CommPort.h"
#include "PortText.h"
#include "TextOutput.h"

QString CommErrorSentence(const std::string& portName, const std::string& device,
                          const ECommError& error) {
  const QString name = DeviceText(portName);
  QString sentence = QStringLiteral("Serial port ") + name;
  const QString path = ShownDevice(device);
  if (!path.isEmpty() && path != name) sentence += " (" + path + ")";
  QString what = QString::fromStdString(DescribeCommError(error));
  if (!what.isEmpty()) what[0] = what[0].toLower();
  sentence += ": " + what;
  if (!sentence.endsWith('.')) sentence += '.';
  return sentence;
}

QString CommErrorSentence(const std::string& portName, const ECommError& error) {
  return CommErrorSentence(portName, portName, error);
}

bool InteractivePlatform() {
  const QString platform = QGuiApplication::platformName();
  return !platform.isEmpty() && platform != "offscreen" && platform != "minimal";
}

void ReportToUser(QWidget* parent, const QString& sentence) {
  // The box below is the reader's where no stream or console is.
  WriteText(stderr, sentence + "\n", TUnseen::Drop);
  // Without a screen nobody could close the box and the program would hang.
  if (!InteractivePlatform()) return;
  // Plain text: a device path is the user's, and one with a "<" in it must
  // not be read as markup.
  QMessageBox box(QMessageBox::Critical, QGuiApplication::applicationDisplayName(), sentence, QMessageBox::Ok, parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
}
