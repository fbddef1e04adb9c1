#include "desktop/LoginStart.h"

#include "files/FileRules.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include <glib.h>

#include <memory>

namespace {

struct KeyFileFree {
    void operator()(GKeyFile *file) const { g_key_file_free(file); }
};
using KeyFile = std::unique_ptr<GKeyFile, KeyFileFree>;

struct ErrorFree {
    void operator()(GError *error) const { g_error_free(error); }
};

constexpr const char *kGroup = G_KEY_FILE_DESKTOP_GROUP;
// An entry is a few kilobytes; a larger file is not one.
constexpr std::size_t kMostEntrySize = 1 << 20;

QString EntryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation)
           + QStringLiteral("/autostart/" PONTRA_APP_ID ".desktop");
}

// One argument of an Exec line: quoted where a character is reserved, with
// field codes' percent signs doubled.
QString ExecArgument(const QString &path)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    QString quoted;
    bool needsQuotes = false;
    for (const QChar c : path) {
        if (reserved.contains(c))
            needsQuotes = true;
        if (c == u'"' || c == u'`' || c == u'$' || c == u'\\')
            quoted += u'\\';
        quoted += c;
    }
    quoted.replace(u'%', QStringLiteral("%%"));
    return needsQuotes ? u'"' + quoted + u'"' : quoted;
}

std::filesystem::path FilePath(const QString &path)
{
    return std::filesystem::path(QFile::encodeName(path).toStdString());
}

// The entry's place may be written only as the program's own file; a
// German sentence when not, else empty.
QString PlaceProblem(const QString &path, const QString &failed)
{
    const FilePlace place = PlaceToWrite(FilePath(path));
    if (place.problem.empty())
        return {};
    return failed + QLatin1Char(' ') + QString::fromStdString(FileSentence(place.problem));
}

} // namespace

QString LoginStart::Place()
{
    return QDir::toNativeSeparators(EntryPath());
}

bool LoginStart::Enabled()
{
    // Read as a regular file only: a fifo in its place would hold the dialog.
    const FileContent entry = ReadRegularFile(FilePath(EntryPath()), kMostEntrySize);
    KeyFile file(g_key_file_new());
    if (!entry.exists || !entry.problem.empty()
        || !g_key_file_load_from_data(file.get(), entry.bytes.data(), entry.bytes.size(), G_KEY_FILE_NONE, nullptr))
        return false;
    // Switched off by the desktop's own settings, which keep the entry.
    const auto flag = [&](const char *key) { return g_key_file_get_boolean(file.get(), kGroup, key, nullptr); };
    if (flag("Hidden"))
        return false;
    if (g_key_file_has_key(file.get(), kGroup, "X-GNOME-Autostart-enabled", nullptr)
        && !flag("X-GNOME-Autostart-enabled"))
        return false;
    return true;
}

QString LoginStart::Set(bool enabled, const QString &programPath)
{
    const QString path = EntryPath();
    if (!enabled) {
        const QString failed = QStringLiteral("Der Eintrag „%1“ für den Start mit der Anmeldung lässt sich nicht "
                                              "löschen.")
                                   .arg(QDir::toNativeSeparators(path));
        if (!QFileInfo(path).exists() && !QFileInfo(path).isSymLink())
            return {};
        if (const QString problem = PlaceProblem(path, failed); !problem.isEmpty())
            return problem;
        return QFile::remove(path) ? QString() : failed;
    }
    const QString failed = QStringLiteral("Der Eintrag „%1“ für den Start mit der Anmeldung lässt sich nicht "
                                          "schreiben.")
                               .arg(QDir::toNativeSeparators(path));
    // The menu entry's names, comments and icon, started from where the
    // program is now: from the package or from a build folder alike.
    QFile menuEntry(QStringLiteral(":/autostart/" PONTRA_APP_ID ".desktop"));
    if (!menuEntry.open(QIODevice::ReadOnly))
        return failed;
    const QByteArray entry = menuEntry.readAll();
    KeyFile file(g_key_file_new());
    if (!g_key_file_load_from_data(file.get(), entry.constData(), static_cast<gsize>(entry.size()),
                                   G_KEY_FILE_KEEP_TRANSLATIONS, nullptr))
        return failed;
    // GLib looks the program up before it expands the field codes, so that a
    // program whose path holds a percent sign would never be found: env
    // starts it, with the sign doubled in its argument as the entry's rules
    // ask.
    const QString program = ExecArgument(programPath);
    const QByteArray exec = (programPath.contains(u'%') ? QStringLiteral("env ") + program : program).toUtf8();
    g_key_file_set_string(file.get(), kGroup, "Exec", exec.constData());
    g_key_file_remove_key(file.get(), kGroup, "TryExec", nullptr);
    g_key_file_set_boolean(file.get(), kGroup, "X-GNOME-Autostart-enabled", TRUE);
    const QByteArray folder = QFile::encodeName(QFileInfo(path).absolutePath());
    if (g_mkdir_with_parents(folder.constData(), 0700) != 0)
        return failed;
    if (const QString problem = PlaceProblem(path, failed); !problem.isEmpty())
        return problem;
    GError *error = nullptr;
    // Written to a temporary file and renamed: never half an entry.
    if (!g_key_file_save_to_file(file.get(), QFile::encodeName(path).constData(), &error)) {
        std::unique_ptr<GError, ErrorFree> owned(error);
        return failed + QLatin1Char('\n') + QString::fromUtf8(error->message);
    }
    return {};
}
