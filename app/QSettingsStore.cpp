#include "app/QSettingsStore.h"

#include <QDir>
#include <QFileInfo>

namespace {

QSettings::Format storeFormat()
{
#ifdef Q_OS_WIN
    return QSettings::NativeFormat;
#else
    return QSettings::IniFormat;
#endif
}

} // namespace

QSettingsStore::QSettingsStore(const QString &programName) : programName_(programName) {}

QString QSettingsStore::FileName() const
{
    return QSettings(storeFormat(), QSettings::UserScope, QStringLiteral("Vendaro"), programName_).fileName();
}

bool QSettingsStore::OpenKey(bool create)
{
    CloseKey();
#ifdef Q_OS_WIN
    Q_UNUSED(create);
    settings_ = std::make_unique<QSettings>(storeFormat(), QSettings::UserScope, QStringLiteral("Vendaro"), programName_);
    return create || !settings_->allKeys().isEmpty();
#else
    // The INI file is the key: it exists once the settings have been written.
    const QString file = FileName();
    if (!create && !QFileInfo::exists(file))
        return false;
    if (create && !QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    settings_ = std::make_unique<QSettings>(file, storeFormat());
    return settings_->status() == QSettings::NoError;
#endif
}

void QSettingsStore::CloseKey()
{
    settings_.reset();
}

std::optional<std::int32_t> QSettingsStore::ReadInteger(const QString &name)
{
    if (!settings_ || !settings_->contains(name))
        return std::nullopt;
    const QVariant value = settings_->value(name);
    // Only a plain decimal number in the 32-bit range counts; text, lists and
    // out-of-range numbers are "another type".
    if (value.typeId() != QMetaType::QString && value.typeId() != QMetaType::Int
        && value.typeId() != QMetaType::LongLong && value.typeId() != QMetaType::UInt)
        return std::nullopt;
    bool ok = false;
    const qlonglong number = value.toString().trimmed().toLongLong(&ok, 10);
    if (!ok || number < INT32_MIN || number > UINT32_MAX)
        return std::nullopt;
    // A value written as an unsigned double word reads back as its bit pattern.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
}

bool QSettingsStore::WriteInteger(const QString &name, std::int32_t value)
{
    if (!settings_)
        return false;
    settings_->setValue(name, value);
    // Write through at once so that a failure is reported for this value.
    settings_->sync();
    return settings_->status() == QSettings::NoError;
}
