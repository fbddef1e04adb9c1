#include "app/QSettingsStore.h"

#include "app/RegularFileRewrite.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

const QString kOrganisation = QStringLiteral("Vendaro");

#ifndef Q_OS_WIN
// The name of the line's key when it sets a value ("Key=value", blanks
// around the key ignored), else empty.
QByteArrayView KeyOf(QByteArrayView line)
{
    const qsizetype equals = line.indexOf('=');
    return equals > 0 ? line.first(equals).trimmed() : QByteArrayView();
}

// Whether a section header ("[name]") opens QSettings' root group.
bool IsGeneralSection(QByteArrayView header)
{
    const qsizetype close = header.indexOf(']');
    const QByteArrayView name = header.sliced(1, (close < 0 ? header.size() : close) - 1).trimmed();
    return name.compare("General", Qt::CaseInsensitive) == 0;
}

QByteArray LineEnd(QByteArrayView line)
{
    if (line.endsWith("\r\n"))
        return "\r\n";
    return line.endsWith('\n') ? "\n" : "";
}

// The INI text with each value set in QSettings' root group (before the first
// section and in [General] sections), everything else byte for byte as it
// was. A value met more than once is set everywhere, so no stale copy wins;
// values not there yet open the first [General] section, which a file
// without one gets at the top.
QByteArray WithGeneralValues(const QByteArray &ini, const IntegerValues &values)
{
    QList<QByteArray> names;
    for (const auto &entry : values)
        names << entry.first.toUtf8();
    QList<bool> found(values.size(), false);
    const auto assignment = [&](qsizetype index) {
        return names[index] + '=' + QByteArray::number(values[index].second);
    };

    QByteArray out;
    out.reserve(ini.size() + 256);
    qsizetype general = -1; // where in out the first [General] section's lines begin
    bool root = true;
    for (qsizetype start = 0; start < ini.size();) {
        const qsizetype newline = ini.indexOf('\n', start);
        const qsizetype end = newline < 0 ? ini.size() : newline + 1;
        const QByteArrayView line(ini.constData() + start, end - start);
        const QByteArrayView text = line.trimmed();
        start = end;
        if (text.startsWith('[')) {
            root = IsGeneralSection(text);
            out += line;
            if (root && general < 0) {
                if (!line.endsWith('\n'))
                    out += '\n';
                general = out.size();
            }
            continue;
        }
        const qsizetype index = root ? names.indexOf(KeyOf(text)) : -1;
        if (index < 0) {
            out += line;
            continue;
        }
        out += assignment(index) + LineEnd(line);
        found[index] = true;
    }

    QByteArray missing;
    for (qsizetype index = 0; index < values.size(); ++index) {
        if (!found[index])
            missing += assignment(index) + '\n';
    }
    if (missing.isEmpty())
        return out;
    if (general < 0)
        return "[General]\n" + missing + (out.isEmpty() ? "" : "\n") + out;
    return out.insert(general, missing);
}

#endif

} // namespace

QSettingsStore::QSettingsStore(const QString &programName) : programName_(programName) {}

QString QSettingsStore::FileName() const
{
#ifdef Q_OS_WIN
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, programName_).fileName();
#else
    // QSettings' own place for the user's INI file, found without opening it:
    // a QSettings made for the name alone parses the whole file first.
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) + QLatin1Char('/') + kOrganisation
           + QLatin1Char('/') + programName_ + QStringLiteral(".ini");
#endif
}

bool QSettingsStore::OpenKey(bool create)
{
    CloseKey();
#ifdef Q_OS_WIN
    settings_ = std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kOrganisation, programName_);
    open_ = create || !settings_->allKeys().isEmpty();
#else
    // The INI file is the key: it exists once the settings have been written.
    // Only a regular file (or a link to one) can be it; a folder, device or
    // fifo in its place is neither read nor replaced.
    const QString file = FileName();
    if (create)
        open_ = QDir().mkpath(QFileInfo(file).absolutePath()) && (QFileInfo(file).isFile() || !QFileInfo::exists(file));
    else
        open_ = QFileInfo(file).isFile();
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

std::optional<std::int32_t> QSettingsStore::ReadInteger(const QString &name)
{
    QSettings *settings = Reader();
    if (!settings || !settings->contains(name))
        return std::nullopt;
    const QVariant value = settings->value(name);
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
#ifdef Q_OS_WIN
    if (!open_)
        return false;
    settings_->setValue(name, value);
    // Write through at once so that a failure is reported for this value.
    settings_->sync();
    return settings_->status() == QSettings::NoError;
#else
    return WriteIntegers({{name, value}}).isEmpty();
#endif
}

QString QSettingsStore::WriteIntegers(const IntegerValues &values)
{
#ifdef Q_OS_WIN
    // The registry stores value by value.
    return SettingsStore::WriteIntegers(values);
#else
    if (values.isEmpty())
        return {};
    // One rewrite of the file stores all values or none: a failure names the first.
    settings_.reset();
    const bool stored = open_ && RewriteRegularFile(FileName(), [&](const QByteArray &ini) {
        return WithGeneralValues(ini, values);
    });
    return stored ? QString() : values.first().first;
#endif
}
