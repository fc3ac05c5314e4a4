#include "PortChoice.h"

#include "CommPlatform.h"
#include "PortText.h"
#include "StationSettings.h"

QString PortSettingKey(const TStationProfile& profile) { return profile.Program + "/port"; }

QString PortVariable(const TStationProfile& profile) { return profile.Program.toUpper() + "_PORT"; }

TPortChoice ChoosePort(const TStationProfile& profile, const std::string& portOption) {
  if (!portOption.empty()) return {portOption, QStringLiteral("--port"), true};
  const QString variable = PortVariable(profile);
  const QString fromEnvironment = qEnvironmentVariable(variable.toLatin1().constData());
  if (!fromEnvironment.isEmpty()) return {DeviceOf(fromEnvironment), "the environment variable " + variable, true};
  // The user's settings, then those for all users: the two places --help
  // names (QSettings' fallbacks would add organisation-wide files as well).
  for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope}) {
    QSettings settings = StationSettings(scope);
    settings.setFallbacksEnabled(false);
    const QString saved = settings.value(PortSettingKey(profile)).toString();
    if (!saved.isEmpty())
      return {DeviceOf(saved), QString("the setting %1 in %2").arg(PortSettingKey(profile), settings.fileName())};
  }
  return {profile.PortName, {}};
}

bool SavePort(const TStationProfile& profile, const std::string& device, QString& message) {
  QSettings settings = StationSettings();
  settings.setValue(PortSettingKey(profile), DeviceText(device));
  settings.sync();
  if (settings.status() != QSettings::NoError) {
    message = QString("%1: the port could not be saved in %2.").arg(profile.Program, settings.fileName());
    return false;
  }
  message = QString("%1: %2 leads to %3 from now on, saved as %4 in %5.")
                .arg(profile.Program, DeviceText(profile.PortName), DeviceText(device), PortSettingKey(profile),
                     settings.fileName());
  return true;
}

QString PortAdvice(const TStationProfile& profile, const TPortChoice& choice) {
  QString text = PortListText();
  if (!choice.Source.isEmpty())
    text += QString("%1 led to %2 by %3.\n").arg(DeviceText(profile.PortName), ShownDevice(choice.Device), choice.Source);
  text += QString("Start %1 with --port DEVICE to use another; add --save to keep it.").arg(profile.Program);
  return text;
}
