// GIO's headers first: they use the word "signals", which Qt's define.
#include <gio/gdesktopappinfo.h>
#include <gio/gio.h>

#include "desktop/ExternalChmViewer.h"

#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <dirent.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr const char *kChmType = "application/vnd.ms-htmlhelp";
constexpr const char *kKnownViewers[] = {"xchm", "kchmviewer"};
// How long an ending viewer is given before it is killed, and then to go.
constexpr auto kEndingTime = std::chrono::milliseconds(500);

GDesktopAppInfo *AsDesktopEntry(GAppInfo *application)
{
    if (application && G_IS_DESKTOP_APP_INFO(application))
        return G_DESKTOP_APP_INFO(application);
    if (application)
        g_object_unref(application);
    return nullptr;
}

// The application to start for CHM files, or none.
GDesktopAppInfo *FindViewer()
{
    if (GDesktopAppInfo *registered = AsDesktopEntry(g_app_info_get_default_for_type(kChmType, FALSE)))
        return registered;
    for (const char *known : kKnownViewers) {
        if (GDesktopAppInfo *entry = g_desktop_app_info_new((QByteArray(known) + ".desktop").constData()))
            return entry;
    }
    for (const char *known : kKnownViewers) {
        gchar *program = g_find_program_in_path(known);
        if (!program)
            continue;
        // An Exec line of its own, '%' doubled as the rules want; GIO adds
        // the file as "%f".
        gchar *quoted = g_shell_quote(QByteArray(program).replace('%', "%%").constData());
        g_free(program);
        GDesktopAppInfo *made =
            AsDesktopEntry(g_app_info_create_from_commandline(quoted, known, G_APP_INFO_CREATE_NONE, nullptr));
        g_free(quoted);
        if (made)
            return made;
    }
    return nullptr;
}

// Run in the viewer's process before it starts: a process group of its own,
// so that whatever it starts in turn ends with it.
void StartOwnGroup(gpointer)
{
    setpgid(0, 0);
}

void NoteProcess(GDesktopAppInfo *, GPid pid, gpointer started)
{
    *static_cast<pid_t *>(started) = pid;
}

// Whether a process of the group still runs; zombies, which only wait to be
// reaped by whoever inherited them, do not count.
bool GroupRuns(pid_t group)
{
    if (kill(-group, 0) != 0)
        return errno != ESRCH;
    DIR *processes = opendir("/proc");
    if (!processes)
        return true;
    bool runs = false;
    while (const dirent *entry = readdir(processes)) {
        if (entry->d_name[0] < '0' || entry->d_name[0] > '9')
            continue;
        char path[sizeof "/proc//stat" + sizeof entry->d_name];
        std::snprintf(path, sizeof path, "/proc/%s/stat", entry->d_name);
        FILE *stat = std::fopen(path, "re");
        if (!stat)
            continue;
        char line[512] = {};
        const bool read = std::fgets(line, sizeof line, stat) != nullptr;
        std::fclose(stat);
        // "pid (name) state parent group ...", the name possibly with blanks
        // and parentheses of its own.
        const char *afterName = read ? std::strrchr(line, ')') : nullptr;
        char state = 0;
        int parent = 0;
        int processGroup = 0;
        if (afterName && std::sscanf(afterName + 1, " %c %d %d", &state, &parent, &processGroup) == 3
            && processGroup == group && state != 'Z' && state != 'X') {
            runs = true;
            break;
        }
    }
    closedir(processes);
    return runs;
}

// Waits for the group to end, reaping its first process, this program's
// child; false when it still runs after the time given.
bool AwaitEnd(pid_t group, std::chrono::milliseconds time)
{
    const auto end = std::chrono::steady_clock::now() + time;
    while (true) {
        waitpid(group, nullptr, WNOHANG);
        if (!GroupRuns(group))
            return true;
        if (std::chrono::steady_clock::now() > end)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
}

} // namespace

struct ExternalChmViewer::Application {
    explicit Application(GDesktopAppInfo *entry) : entry(entry) {}
    ~Application() { g_object_unref(entry); }
    Application(const Application &) = delete;
    Application &operator=(const Application &) = delete;

    GDesktopAppInfo *entry;
};

ExternalChmViewer::ExternalChmViewer(RaiseWindows raise) : raise_(std::move(raise))
{
    Available();
}

ExternalChmViewer::~ExternalChmViewer()
{
    CloseAll();
}

bool ExternalChmViewer::Available()
{
    // Looked for anew while there is none: it may have been installed since.
    if (!application_) {
        if (GDesktopAppInfo *found = FindViewer())
            application_ = std::make_unique<Application>(found);
    }
    return application_ != nullptr;
}

QString ExternalChmViewer::CommandLine() const
{
    return application_ ? QString::fromUtf8(g_app_info_get_commandline(G_APP_INFO(application_->entry))) : QString();
}

pid_t ExternalChmViewer::Group()
{
    if (group_ != 0) {
        waitpid(group_, nullptr, WNOHANG);
        if (!GroupRuns(group_)) {
            group_ = 0;
            runningFile_.clear();
        }
    }
    return group_;
}

void ExternalChmViewer::DisplayTableOfContents(const QString &helpFile)
{
    if (!Available())
        return;
    // One viewer window is enough: brought to the front while it is open.
    if (Group() != 0 && runningFile_ == helpFile && raise_ && raise_(group_))
        return;
    CloseAll();
    gchar *uri = g_filename_to_uri(QFile::encodeName(QFileInfo(helpFile).absoluteFilePath()).constData(), nullptr,
                                   nullptr);
    if (!uri)
        return;
    GList *uris = g_list_prepend(nullptr, uri);
    pid_t started = 0;
    GError *error = nullptr;
    // GIO puts the file into the Exec line by the Desktop Entry rules, as
    // one argument of its own.
    const bool launched = g_desktop_app_info_launch_uris_as_manager(
        application_->entry, uris, nullptr, GSpawnFlags(G_SPAWN_SEARCH_PATH | G_SPAWN_DO_NOT_REAP_CHILD),
        StartOwnGroup, nullptr, NoteProcess, &started, &error);
    g_list_free_full(uris, g_free);
    if (error) {
        qWarning("The help viewer did not start: %s", error->message);
        g_error_free(error);
    }
    if (launched && started > 0) {
        group_ = started;
        runningFile_ = helpFile;
    }
}

void ExternalChmViewer::CloseAll()
{
    if (Group() == 0)
        return;
    kill(-group_, SIGTERM);
    if (!AwaitEnd(group_, kEndingTime)) {
        kill(-group_, SIGKILL);
        AwaitEnd(group_, kEndingTime);
    }
    group_ = 0;
    runningFile_.clear();
}
