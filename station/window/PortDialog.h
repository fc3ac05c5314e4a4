// PortDialog.h - the box after a failed start, which lets the person try
// another device.
//
// Interface summary
//   TPortDialog box(profile, choice);   choice: where the failed device came from
//   box.ShowFailure(sentence);          the latest failure; the ports listed anew
//   if (box.exec() == QDialog::Accepted) profile.Device = box.Device();
//   box.Remember()                      "remember for the next starts" is checked
//
// The box shows the failure sentence, the serial ports of this machine with
// their descriptions (the device that failed selected where listed), an
// entry for any path or COM name, "List again" (an adapter is often plugged
// in after the box appears), the check box and "Open" / "Close". A click on
// a port fills the entry; Enter and a double-click on a port mean "Open";
// "Close", Escape and the title bar's close reject the box. Where --port or
// the environment chose the device, the box says that it still comes first.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include <QDialog>

#include "CommPlatform.h"
#include "PortChoice.h"
#include "StationProfile.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QListWidget;
class QPushButton;

class TPortDialog : public QDialog {
public:
  // The ports of this machine; CommPlatform::ListPorts but in the tests.
  using TPortLister = std::function<std::vector<CommPortInfo>()>;

  TPortDialog(const TStationProfile& profile, const TPortChoice& choice,
              TPortLister listPorts = CommPlatform::ListPorts, QWidget* parent = nullptr);

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

private:
  void ListPorts();
  // Selects the port the entry names (its path for a COM name), else none.
  void SelectEntry();

  TPortLister listPorts_;
};
