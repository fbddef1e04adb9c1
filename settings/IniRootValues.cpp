#include "settings/IniRootValues.h"

#include "settings/IniLines.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSettings>
#include <QTemporaryDir>

#include <algorithm>

namespace {

constexpr QByteArrayView kByteOrderMark("\xEF\xBB\xBF");

// The texts QSettings writes for the named texts, made by QSettings itself
// in a file of its own, so that they read back as they were.
std::optional<QHash<QString, QByteArray>> QSettingsTexts(const QList<std::pair<QString, QString>> &texts,
                                                         QString &reason)
{
    QTemporaryDir dir;
    if (!dir.isValid()) {
        reason = dir.errorString();
        return std::nullopt;
    }
    const QString path = dir.filePath(QStringLiteral("values.ini"));
    {
        QSettings ini(path, QSettings::IniFormat);
        for (const auto &[name, text] : texts)
            ini.setValue(name, text);
        ini.sync();
        if (ini.status() != QSettings::NoError) {
            reason = QStringLiteral("Die Texte ließen sich nicht in %1 schreiben.")
                         .arg(QDir::toNativeSeparators(path));
            return std::nullopt;
        }
    }
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        reason = file.errorString();
        return std::nullopt;
    }
    const QByteArray written = file.readAll();
    QHash<QString, QByteArray> entries;
    ForEachIniLine(written, [&](const IniLine &line) {
        if (line.kind == IniLine::Kind::Entry && line.root)
            entries.insert(IniName(written, line), written.sliced(line.begin, line.textEnd - line.begin));
    });
    return entries;
}

// The file's own line end, "\n" for a file without one.
QByteArray LineEndOf(QByteArrayView ini)
{
    for (qsizetype at = 0; at < ini.size(); ++at) {
        if (ini[at] == '\n' || ini[at] == '\r')
            return ini.sliced(at, IniLineEndLength(ini, at)).toByteArray();
    }
    return "\n";
}

struct Edit {
    qsizetype at;
    qsizetype length; // bytes replaced
    QByteArray text;
};

} // namespace

std::optional<IniEntries> IniEntriesOf(const SettingValues &values, QString &reason)
{
    QList<std::pair<QString, QString>> texts;
    for (const auto &[name, value] : values) {
        if (const QString *text = std::get_if<QString>(&value))
            texts.emplace_back(name, *text);
    }
    QHash<QString, QByteArray> written;
    if (!texts.isEmpty()) {
        auto made = QSettingsTexts(texts, reason);
        if (!made)
            return std::nullopt;
        written = std::move(*made);
    }
    IniEntries entries;
    for (const auto &[name, value] : values) {
        if (const std::int32_t *number = std::get_if<std::int32_t>(&value)) {
            entries.emplace_back(name, name.toLatin1() + '=' + QByteArray::number(*number));
        } else if (written.contains(name)) {
            entries.emplace_back(name, written.value(name));
        } else {
            reason = QStringLiteral("QSettings schrieb keinen Eintrag „%1“.").arg(name);
            return std::nullopt;
        }
    }
    return entries;
}

void PutWithRootEntries(QByteArrayView ini, const IniEntries &entries, const std::function<void(QByteArrayView)> &put)
{
    QList<bool> found(entries.size(), false);
    QList<Edit> edits;
    std::optional<IniLine> general;
    std::optional<IniLine::Kind> firstKind;
    ForEachIniLine(ini, [&](const IniLine &line) {
        if (!firstKind)
            firstKind = line.kind;
        // Nothing can follow a section header that runs to the file's end.
        if (line.kind == IniLine::Kind::Section && line.root && !general && !line.open)
            general = line;
        if (line.kind != IniLine::Kind::Entry || !line.root)
            return;
        const QString name = IniName(ini, line);
        const auto entry = std::find_if(entries.cbegin(), entries.cend(),
                                        [&](const auto &named) { return named.first == name; });
        if (entry == entries.cend())
            return;
        // The byte order mark before the file's first line stays.
        const qsizetype begin = line.begin == 0 && ini.startsWith(kByteOrderMark) ? kByteOrderMark.size() : line.begin;
        edits.append({begin, line.textEnd - begin, entry->second});
        found[entry - entries.cbegin()] = true;
    });

    const QByteArray end = LineEndOf(ini);
    QByteArray missing;
    for (qsizetype index = 0; index < entries.size(); ++index) {
        if (!found[index])
            missing += entries[index].second + end;
    }
    if (!missing.isEmpty()) {
        if (general) {
            const qsizetype lineEnd = IniLineEndLength(ini, general->end);
            edits.append({general->end + lineEnd, 0, (lineEnd == 0 ? end : QByteArray()) + missing});
        } else {
            // A section header right behind the byte order mark is one only
            // there; any other first line reads the same after the new section.
            const bool headerAfterMark = ini.startsWith(kByteOrderMark) && firstKind == IniLine::Kind::Section;
            const qsizetype at = headerAfterMark ? kByteOrderMark.size() : 0;
            edits.append({at, 0, "[General]" + end + missing + (ini.size() > at ? end : QByteArray())});
        }
    }

    std::sort(edits.begin(), edits.end(),
              [](const Edit &a, const Edit &b) { return a.at != b.at ? a.at < b.at : a.length < b.length; });
    qsizetype copied = 0;
    for (const Edit &edit : edits) {
        put(ini.sliced(copied, edit.at - copied));
        put(edit.text);
        copied = edit.at + edit.length;
    }
    put(ini.sliced(copied));
}

QByteArray WithRootEntries(QByteArrayView ini, const IniEntries &entries)
{
    QByteArray out;
    out.reserve(ini.size());
    PutWithRootEntries(ini, entries, [&](QByteArrayView piece) { out += piece; });
    return out;
}
