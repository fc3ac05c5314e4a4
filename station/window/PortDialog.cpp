#include "PortDialog.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QFileSystemWatcher>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QTimer>

#include "PortText.h"
#include "TextOutput.h"

TPortDialog::TPortDialog(const TStationProfile& profile, const TPortChoice& choice, TPortLister listPorts,
                         std::vector<std::string> watched, QWidget* parent)
    : QDialog(parent), listPorts_(std::move(listPorts)), watchedFolders_(std::move(watched)) {
  setObjectName(QStringLiteral("PortDialog"));
  setWindowTitle(profile.Program);

  auto* icon = new QLabel(this);
  const int iconSize = style()->pixelMetric(QStyle::PM_MessageBoxIconSize, nullptr, this);
  icon->setPixmap(style()->standardIcon(QStyle::SP_MessageBoxCritical, nullptr, this).pixmap(iconSize));
  Sentence = new QLabel(this);
  // A typed path is shown as it is, never read as markup.
  Sentence->setTextFormat(Qt::PlainText);
  Sentence->setWordWrap(true);
  Sentence->setTextInteractionFlags(Qt::TextSelectableByMouse);
  Sentence->setMinimumWidth(420);
  PortsLabel = new QLabel(this);
  Ports = new QListWidget(this);
  ListAgain = new QPushButton(QStringLiteral("&List again"), this);
  ListAgain->setAutoDefault(false);
  auto* entryLabel = new QLabel(QStringLiteral("&Device:"), this);
  Entry = new QLineEdit(DeviceText(profile.DeviceName()), this);
  entryLabel->setBuddy(Entry);
  RememberBox = new QCheckBox(QStringLiteral("&remember for the next starts"), this);
  // A saved setting comes after --port and the environment variable.
  QString first = choice.AheadOfSettings ? choice.Source + " will still come first." : QString();
  if (!first.isEmpty()) first[0] = first[0].toUpper();
  ComesFirst = new QLabel(first, this);
  ComesFirst->setTextFormat(Qt::PlainText);
  ComesFirst->setVisible(!first.isEmpty());
  auto* buttons = new QDialogButtonBox(this);
  Open = buttons->addButton(QStringLiteral("&Open"), QDialogButtonBox::AcceptRole);
  Close = buttons->addButton(QStringLiteral("&Close"), QDialogButtonBox::RejectRole);
  Open->setDefault(true);

  auto* layout = new QGridLayout(this);
  layout->addWidget(icon, 0, 0, Qt::AlignTop);
  layout->addWidget(Sentence, 0, 1, 1, 2);
  layout->addWidget(PortsLabel, 1, 1);
  layout->addWidget(ListAgain, 1, 2);
  layout->addWidget(Ports, 2, 1, 1, 2);
  auto* entryRow = new QHBoxLayout;
  entryRow->addWidget(entryLabel);
  entryRow->addWidget(Entry);
  layout->addLayout(entryRow, 3, 1, 1, 2);
  layout->addWidget(RememberBox, 4, 1, 1, 2);
  layout->addWidget(ComesFirst, 5, 1, 1, 2);
  layout->addWidget(buttons, 6, 0, 1, 3);
  layout->setColumnStretch(1, 1);

  connect(Ports, &QListWidget::currentItemChanged, this, [this](QListWidgetItem* item) {
    if (item) Entry->setText(item->data(Qt::UserRole).toString());
  });
  connect(Ports, &QListWidget::itemDoubleClicked, Open, &QPushButton::click);
  connect(Entry, &QLineEdit::textEdited, this, [this] { SelectEntry(); });
  connect(Entry, &QLineEdit::textChanged, this, [this] { Open->setEnabled(!Device().empty()); });
  connect(ListAgain, &QPushButton::clicked, this, [this] { ListPorts(); });
  connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
  connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

  // udev names an adapter (by-id, its description) a moment after the kernel
  // made its node, Windows its friendly name after the device arrived.
  relist_ = new QTimer(this);
  relist_->setSingleShot(true);
  relist_->setInterval(250);
  connect(relist_, &QTimer::timeout, this, [this] {
    ListPorts();
    Watch();
  });
}

void TPortDialog::showEvent(QShowEvent* event) {
  if (!watcher_) {
    watcher_ = new QFileSystemWatcher(this);
    connect(watcher_, &QFileSystemWatcher::directoryChanged, relist_, qOverload<>(&QTimer::start));
  }
  Watch();
  QDialog::showEvent(event);
}

void TPortDialog::hideEvent(QHideEvent* event) {
  delete watcher_;
  watcher_ = nullptr;
  relist_->stop();
  QDialog::hideEvent(event);
}

bool TPortDialog::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
  if (eventType == "windows_generic_MSG" && CommPlatform::IsPortChange(message)) relist_->start();
  return QDialog::nativeEvent(eventType, message, result);
}

void TPortDialog::Watch() {
  if (!watcher_) return;
  const QStringList watching = watcher_->directories();
  for (const std::string& folder : watchedFolders_) {
    const QString path = DeviceText(folder);
    if (!watching.contains(path) && QFileInfo(path).isDir()) watcher_->addPath(path);
  }
}

void TPortDialog::ShowFailure(const QString& sentence) {
  Sentence->setText(sentence);
  ListPorts();
  // Typing replaces the device that failed.
  Entry->setFocus();
  Entry->selectAll();
}

std::string TPortDialog::Device() const { return DeviceOf(Entry->text().trimmed()); }

bool TPortDialog::Remember() const { return RememberBox->isChecked(); }

void TPortDialog::ListPorts() {
  {
    // Refilling the list must not overwrite what was typed.
    const QSignalBlocker blocker(Ports);
    Ports->clear();
    for (const CommPortInfo& port : listPorts_()) {
      auto* item = new QListWidgetItem(PortListLine(port), Ports);
      item->setData(Qt::UserRole, DeviceText(port.Device));
    }
  }
  PortsLabel->setText(Ports->count() == 0 ? QStringLiteral("No serial ports were found on this machine.")
                                          : QStringLiteral("Serial ports on this machine:"));
  SelectEntry();
}

void TPortDialog::SelectEntry() {
  const std::string device = Device();
  const QString name = DeviceText(device);
  const QString path = ShownDevice(device);
  const QSignalBlocker blocker(Ports);
  Ports->setCurrentItem(nullptr);
  Ports->clearSelection();
  for (int row = 0; row < Ports->count(); ++row) {
    const QString listed = Ports->item(row)->data(Qt::UserRole).toString();
    if (!name.isEmpty() && (listed == name || listed == path)) {
      Ports->setCurrentRow(row);
      Ports->scrollToItem(Ports->item(row));
      break;
    }
  }
}

std::string OpenInPortBox(const TStationProfile& profile, const TPortChoice& choice, QString sentence,
                         const std::function<QString(const std::string& device)>& tryOpen,
                         const TErrorReporter& report, QWidget* parent) {
  TPortDialog box(profile, choice, CommPlatform::ListPorts, CommPlatform::PortFolders(), parent);
  for (;;) {
    box.ShowFailure(sentence);
    if (box.exec() != QDialog::Accepted) return {};
    const std::string device = box.Device();
    sentence = tryOpen(device);
    if (sentence.isEmpty()) {
      QString message;
      // Asked for in the box: the window working on it says enough where no
      // stream or console would show the message.
      if (box.Remember()) {
        if (SavePort(profile, device, message))
          WriteText(stdout, message + "\n", TUnseen::Drop);
        else if (report)
          report(parent, message);
      }
      return device;
    }
    WriteText(stderr, sentence + "\n", TUnseen::Drop);
  }
}
