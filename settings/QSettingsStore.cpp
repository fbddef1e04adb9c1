#include "settings/QSettingsStore.h"

#ifndef Q_OS_WIN
#include "files/AccountHome.h"
#include "settings/IniRootValues.h"
#include "settings/RegularFileRewrite.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

const QString kOrganisation = QStringLiteral("Vendaro");

#ifndef Q_OS_WIN
// The user's folder for configuration files by the XDG rules:
// $XDG_CONFIG_HOME when it is an absolute path (a relative one is ignored),
// else .config in the home folder, which is $HOME or, when that is unset,
// empty or relative, the account's. Empty rather than the file system's root.
QString ConfigFolder()
{
    const QString config = qEnvironmentVariable("XDG_CONFIG_HOME");
    if (QDir::isAbsolutePath(config))
        return QDir::cleanPath(config);
    const std::filesystem::path home = HomeFolder();
    if (home.empty())
        return {};
    return QDir::cleanPath(QFile::decodeName(home.c_str())) + QStringLiteral("/.config");
}

// Makes the folder and those above it that are missing, each private to the
// user. False, with errno set, when one cannot be made or is no folder.
bool MakePrivateFolders(const QByteArray &folder)
{
    for (qsizetype slash = folder.indexOf('/', 1);; slash = folder.indexOf('/', slash + 1)) {
        const QByteArray part = slash < 0 ? folder : folder.first(slash);
        if (mkdir(part.constData(), 0700) != 0 && errno != EEXIST)
            return false;
        if (slash < 0)
            break;
    }
    struct stat node {};
    if (stat(folder.constData(), &node) != 0)
        return false;
    if (!S_ISDIR(node.st_mode)) {
        errno = ENOTDIR;
        return false;
    }
    return true;
}
#endif

} // namespace

QSettingsStore::QSettingsStore(const QString &programName) : programName_(programName) {}

QString QSettingsStore::FileName() const
{
#ifdef Q_OS_WIN
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, programName_).fileName();
#else
    // QSettings' place for the user's INI file, found without opening it (a
    // QSettings made for the name alone parses the whole file first), with
    // the environment read by the XDG rules.
    const QString folder = ConfigFolder();
    if (folder.isEmpty())
        return {};
    return folder + QLatin1Char('/') + kOrganisation + QLatin1Char('/') + programName_ + QStringLiteral(".ini");
#endif
}

bool QSettingsStore::OpenKey(bool create)
{
    CloseKey();
    failureReason_.clear();
#ifdef Q_OS_WIN
    settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, programName_);
    open_ = create || !settings_->allKeys().isEmpty();
#else
    // The INI file is the key: it exists once the settings have been written.
    // Only a regular file (or a link to one) can be it; a folder, device or
    // fifo in its place is neither read nor replaced.
    const QString file = FileName();
    if (file.isEmpty()) {
        failureReason_ = QStringLiteral("Es gibt keinen Benutzerordner für die Einstellungen.");
        return false;
    }
    const QFileInfo info(file);
    if (create && !MakePrivateFolders(QFile::encodeName(info.absolutePath()))) {
        failureReason_ = qt_error_string(errno);
        return false;
    }
    RemoveStaleRewrites(file);
    open_ = info.isFile() || (create && !info.exists());
    if (!open_ && create)
        failureReason_ = NotRegularFileReason();
#endif
    return open_;
}

void QSettingsStore::CloseKey()
{
    settings_.reset();
    open_ = false;
}

QSettings *QSettingsStore::Reader()
{
#ifndef Q_OS_WIN
    // The file is parsed for the first read only; writing does not need it.
    if (open_ && !settings_)
        settings_ = std::make_unique<QSettings>(FileName(), QSettings::IniFormat);
#endif
    return open_ ? settings_.get() : nullptr;
}

std::optional<QVariant> QSettingsStore::Value(const QString &name)
{
    QSettings *settings = Reader();
    if (!settings || !settings->contains(name))
        return std::nullopt;
    return settings->value(name);
}

std::optional<std::int32_t> QSettingsStore::ReadInteger(const QString &name)
{
    const std::optional<QVariant> value = Value(name);
    // Only a plain decimal number in the 32-bit range counts; text, lists and
    // out-of-range numbers are "another type".
    if (!value
        || (value->typeId() != QMetaType::QString && value->typeId() != QMetaType::Int
            && value->typeId() != QMetaType::LongLong && value->typeId() != QMetaType::UInt))
        return std::nullopt;
    const QString text = value->toString();
    // The conversion would read a number up to a NUL character and ignore the rest.
    if (text.contains(QChar(0)))
        return std::nullopt;
    bool ok = false;
    const qlonglong number = text.trimmed().toLongLong(&ok, 10);
    if (!ok || number < INT32_MIN || number > UINT32_MAX)
        return std::nullopt;
    // A value written as an unsigned double word reads back as its bit pattern.
    return static_cast<std::int32_t>(static_cast<std::uint32_t>(number));
}

std::optional<QString> QSettingsStore::ReadString(const QString &name)
{
    const std::optional<QVariant> value = Value(name);
    if (!value || value->typeId() != QMetaType::QString)
        return std::nullopt;
    return value->toString();
}

std::optional<QString> QSettingsStore::ReadAnyText(const QString &name)
{
    const std::optional<QVariant> value = Value(name);
    if (!value)
        return std::nullopt;
    // "a,b" unquoted in the file reads as a list.
    if (value->typeId() == QMetaType::QStringList)
        return value->toStringList().join(QStringLiteral(", "));
    return value->toString();
}

QString QSettingsStore::WriteValues(const SettingValues &values)
{
    failureReason_.clear();
    if (values.isEmpty())
        return {};
    if (!open_)
        return values.first().first;
#ifdef Q_OS_WIN
    // The registry stores value by value; each is written through at once so
    // that a failure is reported for it.
    for (const auto &[name, value] : values) {
        settings_->setValue(name, std::visit([](const auto &content) { return QVariant(content); }, value));
        settings_->sync();
        if (settings_->status() != QSettings::NoError)
            return name;
    }
    return {};
#else
    // One rewrite of the file stores all values or none: a failure names the first.
    settings_.reset();
    const std::optional<IniEntries> entries = IniEntriesOf(values, failureReason_);
    if (entries) {
        failureReason_ = RewriteRegularFile(FileName(), [&](QByteArrayView ini, const RewritePieces &put) {
            PutWithRootEntries(ini, *entries, put);
        });
    }
    return entries && failureReason_.isEmpty() ? QString() : values.first().first;
#endif
}
