// ErrorReport.h - how a port failure reaches the person at the station.
//
// Interface summary
//   CommErrorSentence(port, error)   "Serial port COM2 (/dev/ttyS1): ..."
//   CommErrorSentence(port, device, error)   "Serial port COM3 (/dev/ttyUSB0): ..."
//   ReportToUser(parent, sentence)   the default reporter: stderr + dialog
//   InteractivePlatform()            false where no one could close a dialog
//
// Every failure becomes one sentence that names the port, its device, the
// operation and the system's error text.
#pragma once

#include <functional>
#include <string>

#include <QString>

class ECommError;
class QWidget;

// Shows one failure sentence; the window holds one (tests install their own).
using TErrorReporter = std::function<void(QWidget* parent, const QString& sentence)>;

// One sentence, ending in a full stop: the port name, the path of the device
// it leads to (CommPlatform::DevicePath of `device`) where that differs from
// the name, then what failed and why.
QString CommErrorSentence(const std::string& portName, const std::string& device,
                          const ECommError& error);
// ... for a port name that leads to the device of that name.
QString CommErrorSentence(const std::string& portName, const ECommError& error);

// Writes the sentence to standard error and, where a person can answer it,
// shows it in a modal error box over `parent`. Returns when it is dismissed.
void ReportToUser(QWidget* parent, const QString& sentence);

// Whether the running platform can show a dialog a person can close
// ("offscreen" and "minimal" cannot).
bool InteractivePlatform();
