// PortDialog.h - the box after a failed start, which lets the person try
// another device.
//
// Interface summary
//   TPortDialog box(profile, choice);   choice: where the failed device came from
//   box.ShowFailure(sentence);          the latest failure; the ports listed anew
//   if (box.exec() == QDialog::Accepted) profile.Device = box.Device();
//   box.Remember()                      "remember for the next starts" is checked
//   OpenInPortBox(profile, choice, sentence, tryOpen, report, parent)
//                                       the box until a device chosen there opens
//
// The box shows the failure sentence, the serial ports of this machine with
// their descriptions (the device that failed selected where listed), an
// entry for any path or COM name, "List again", the check box and "Open" /
// "Close". While it is shown the list follows the adapters plugged in and
// pulled out, without polling: a change in the folders the platform names
// (inotify on Linux) or its device-change message (Windows) lists the ports
// anew a moment later, once the system has named the port. A click on
// a port fills the entry; Enter and a double-click on a port mean "Open";
// "Close", Escape and the title bar's close reject the box. Where --port or
// the environment chose the device, the box says that it still comes first.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include "CommPlatform.h"
#include "ErrorReport.h"
#include "PortChoice.h"
#include "StationProfile.h"

class QCheckBox;
class QFileSystemWatcher;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;
class QTimer;

class TPortDialog : public QDialog {
public:
  // The ports of this machine; CommPlatform::ListPorts but in the tests.
  using TPortLister = std::function<std::vector<CommPortInfo>()>;

  // `watched`: the folders whose changes mean a port came or went
  // (CommPlatform::PortFolders but in the tests).
  TPortDialog(const TStationProfile& profile, const TPortChoice& choice,
              TPortLister listPorts = CommPlatform::ListPorts,
              std::vector<std::string> watched = CommPlatform::PortFolders(), QWidget* parent = nullptr);

  // Shows `sentence`, lists the ports again and selects the entry's device
  // where listed; what was typed and checked stays.
  void ShowFailure(const QString& sentence);

  // The device to try: the entry's text without surrounding blanks.
  std::string Device() const;
  bool Remember() const;

  QLabel* Sentence = nullptr;
  QLabel* PortsLabel = nullptr;  // "Serial ports on this machine:" or that none were found
  QListWidget* Ports = nullptr;  // each item's data (Qt::UserRole): the device
  QPushButton* ListAgain = nullptr;
  QLineEdit* Entry = nullptr;
  QCheckBox* RememberBox = nullptr;
  QLabel* ComesFirst = nullptr;  // hidden unless --port or the environment chose
  QPushButton* Open = nullptr;
  QPushButton* Close = nullptr;

protected:
  void showEvent(QShowEvent* event) override;
  void hideEvent(QHideEvent* event) override;
  bool nativeEvent(const QByteArray& eventType, void* message, qintptr* result) override;

private:
  void ListPorts();
  // Watches those of the folders that exist now (one may appear with the
  // first adapter).
  void Watch();
  // Selects the port the entry names (its path for a COM name), else none.
  void SelectEntry();

  TPortLister listPorts_;
  std::vector<std::string> watchedFolders_;
  QFileSystemWatcher* watcher_ = nullptr;  // only while shown: an idle station watches nothing
  QTimer* relist_ = nullptr;               // a burst of changes lists once
};

// What a failed start and a press that cannot open its lost device share:
// shows `sentence` in the port box over `parent` until a device chosen
// there opens. `tryOpen` opens a device and returns "", or the sentence of
// its failure, which also goes to standard error. With "remember" ticked,
// the device that opened is saved as the user's setting, which standard
// output confirms (`report` gets a failure to save). Returns the device
// that opened; empty when the box was closed.
std::string OpenInPortBox(const TStationProfile& profile, const TPortChoice& choice, QString sentence,
                         const std::function<QString(const std::string& device)>& tryOpen,
                         const TErrorReporter& report, QWidget* parent);
