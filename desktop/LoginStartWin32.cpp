#include "desktop/LoginStart.h"

#include <QDir>
#include <QSettings>

namespace {

const QString kRunKey = QStringLiteral("HKEY_CURRENT_USER\\Software\\Microsoft\\Windows\\CurrentVersion\\Run");
const QString kValue = QStringLiteral("Pontra");

} // namespace

QString LoginStart::Place()
{
    return kRunKey + QLatin1Char('\\') + kValue;
}

bool LoginStart::Enabled()
{
    return QSettings(kRunKey, QSettings::NativeFormat).contains(kValue);
}

QString LoginStart::Set(bool enabled, const QString &programPath)
{
    QSettings run(kRunKey, QSettings::NativeFormat);
    if (enabled)
        run.setValue(kValue, QLatin1Char('"') + QDir::toNativeSeparators(programPath) + QLatin1Char('"'));
    else
        run.remove(kValue);
    run.sync();
    if (run.status() == QSettings::NoError)
        return {};
    return QStringLiteral("Der Eintrag „%1“ für den Start mit der Anmeldung lässt sich nicht ändern.").arg(Place());
}
