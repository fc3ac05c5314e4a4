#include "PortChoice.h"

#include <QFile>
#include <QSettings>

#include "CommPlatform.h"
#include "StationSettings.h"
#include "StationCommandLine.h"

namespace {


QString SettingKey(const TStationProfile& profile) { return profile.Program + "/port"; }

QString EnvironmentVariable(const TStationProfile& profile) { return profile.Program.toUpper() + "_PORT"; }

QString Native(const std::string& text) { return QFile::decodeName(text.c_str()); }

// The device a value names, as Qt reads file names.
std::string DeviceOf(const QString& value) { return QFile::encodeName(value).toStdString(); }

// The device a name leads to, as a person reads it: the path of a COM name,
// anything else as it is.
QString Shown(const std::string& device) {
  const std::string path = CommPlatform::DevicePath(device);
  return Native(path.empty() ? device : path);
}

}  // namespace

TPortChoice ChoosePort(const TStationProfile& profile, const std::string& portOption) {
  if (!portOption.empty()) return {portOption, QStringLiteral("--port"), true};
  const QString variable = EnvironmentVariable(profile);
  const QString fromEnvironment = qEnvironmentVariable(variable.toLatin1().constData());
  if (!fromEnvironment.isEmpty()) return {DeviceOf(fromEnvironment), "the environment variable " + variable, true};
  // The user's settings, then those for all users: the two places --help
  // names (QSettings' fallbacks would add organisation-wide files as well).
  for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope}) {
    QSettings settings(scope, kSettingsOrganisation, kSettingsApplication);
    settings.setFallbacksEnabled(false);
    const QString saved = settings.value(SettingKey(profile)).toString();
    if (!saved.isEmpty())
      return {DeviceOf(saved), QString("the setting %1 in %2").arg(SettingKey(profile), settings.fileName())};
  }
  return {profile.PortName, {}};
}

bool SavePort(const TStationProfile& profile, const std::string& device, QString& message) {
  QSettings settings(QSettings::UserScope, kSettingsOrganisation, kSettingsApplication);
  settings.setValue(SettingKey(profile), Native(device));
  settings.sync();
  if (settings.status() != QSettings::NoError) {
    message = QString("%1: the port could not be saved in %2.").arg(profile.Program, settings.fileName());
    return false;
  }
  message = QString("%1: %2 leads to %3 from now on, saved as %4 in %5.")
                .arg(profile.Program, Native(profile.PortName), Native(device), SettingKey(profile),
                     settings.fileName());
  return true;
}

// What DEVICE may be, as this platform names its ports.
#ifdef _WIN32
#define SIG_EXAMPLE_DEVICES "a COM name such as\n                     COM5, or a device path"
#else
#define SIG_EXAMPLE_DEVICES "a device such as\n                     /dev/ttyUSB0 or /dev/serial/by-id/..., or a COM name"
#endif

QString HelpText(const TStationProfile& profile) {
  const QString port = Native(profile.PortName);
  const QSettings user(QSettings::UserScope, kSettingsOrganisation, kSettingsApplication);
  const QSettings system(QSettings::SystemScope, kSettingsOrganisation, kSettingsApplication);
  const TPortChoice now = ChoosePort(profile, {});
  QString text = UsageText(profile);
  text += QString(
              "\n"
              "Opens the station's window on its serial port %1.\n"
              "\n"
              "  -p, --port DEVICE  use DEVICE for %1 (also --port=DEVICE): " SIG_EXAMPLE_DEVICES "\n"
              "      --save         with --port: keep DEVICE in the user's settings for the\n"
              "                     next starts (a menu entry's too)\n"
              "  -h, --help         show this text\n"
              "      --version      show the version\n"
              "\n"
              "%1 leads to the first of:\n"
              "  1. --port DEVICE;\n"
              "  2. the environment variable %2;\n"
              "  3. the setting %3 of the user's settings,\n"
              "       %4\n"
              "     else of the settings for all users,\n"
              "       %5\n"
              "  4. %6, the built-in device of %1.\n"
              "An empty value counts as none. Now %1 leads to %7 (%8).\n"
              "\n"
              "%9"
              "\n"
              "Qt's own options (-platform NAME, -display NAME, -style NAME, -geometry WxH+X+Y,\n"
              "-reverse, ...) are passed on to Qt.\n")
              .arg(port, EnvironmentVariable(profile), SettingKey(profile), user.fileName(),
                   system.fileName(), Shown(profile.PortName))
              .arg(Shown(now.Device), now.Source.isEmpty() ? QStringLiteral("built in") : now.Source, PortListText());
  return text;
}

QString PortLine(const CommPortInfo& port) {
  const QString device = Native(port.Device);
  const QString description = QString::fromStdString(port.Description);
  if (description.isEmpty()) return device;
  if (description.endsWith("(" + device + ")")) return description;
  return device + " (" + description + ")";
}

QString PortListText() {
  const std::vector<CommPortInfo> ports = CommPlatform::ListPorts();
  if (ports.empty()) return QStringLiteral("No serial ports were found on this machine.\n");
  QString text = QStringLiteral("Serial ports on this machine:\n");
  for (const CommPortInfo& port : ports) text += "  " + PortLine(port) + '\n';
  return text;
}

QString PortAdvice(const TStationProfile& profile, const TPortChoice& choice) {
  QString text = PortListText();
  if (!choice.Source.isEmpty())
    text += QString("%1 led to %2 by %3.\n").arg(Native(profile.PortName), Shown(choice.Device), choice.Source);
  text += QString("Start %1 with --port DEVICE to use another; add --save to keep it.").arg(profile.Program);
  return text;
}
