// Prints how often the program wakes up while nothing happens: the context
// switches of all its threads (voluntary and not) over a window, once it has
// settled, in each configuration, beside a bare Qt window of the main
// window's size with one label (this program with --bare) as the yardstick.
// All of them run at the same time, each as the real program in folders of
// its own, on the platform of the environment (offscreen when none is set):
//   default     the settings as on a first start
//   simulate    PONTRA_SIMULATE=1, its line simulator open
//   http        HttpPort set, no client
//   broker      Broker set, with a mosquitto of its own on a free port
// Per thread name as well, for those that woke. The settling time covers
// the journal's checkpoint of the start's row, a minute after it. On an X
// display with a window manager, name one configuration per display: the
// programs' windows wake each other through it.
//   bench_idle_wakeups [window seconds, default 60] [settling seconds, default 65] [configuration …]
// PONTRA_BENCH_PROGRAM names another build of the program to measure.
// One figure per line: "name = value unit".
#include "ContextSwitches.h"
#include "link/MosquittoBroker.h"
#include "support/ProgramProcess.h"

#include <QApplication>
#include <QLabel>
#include <QProcess>
#include <QThread>

#include <cstdio>
#include <map>
#include <memory>
#include <signal.h>
#include <string_view>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace {

using Switches = std::map<QString, long>;

struct Run {
    const char *name;
    Program program;
    std::unique_ptr<QProcess> process;
    Switches before;
};

void WriteSettings(Run &run, const QString &lines)
{
    QDir().mkpath(run.program.Path(QStringLiteral("config/Vendaro")));
    QFile ini(run.program.SettingsFile());
    if (ini.open(QIODevice::WriteOnly))
        ini.write(("[General]\n" + lines).toUtf8());
}

// A port of 127.0.0.1 that nothing listens on now.
int FreePort()
{
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = Loopback(0);
    socklen_t size = sizeof address;
    bind(probe, reinterpret_cast<sockaddr *>(&address), sizeof address);
    getsockname(probe, reinterpret_cast<sockaddr *>(&address), &size);
    close(probe);
    return ntohs(address.sin_port);
}

int Bare(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QWidget window;
    window.setFixedSize(300, 202);
    QLabel label(QStringLiteral("0"), &window);
    window.show();
    return app.exec();
}

} // namespace

int main(int argc, char *argv[])
{
    if (argc > 1 && QByteArray(argv[1]) == "--bare")
        return Bare(argc, argv);
    QCoreApplication app(argc, argv);
    const int window = argc > 1 ? std::max(1, std::atoi(argv[1])) : 60;
    const int settling = argc > 2 ? std::max(0, std::atoi(argv[2])) : 65;

    MosquittoBroker broker;
    std::vector<std::unique_ptr<Run>> runs;
    QStringList chosen;
    for (int i = 3; i < argc; ++i)
        chosen << QString::fromLocal8Bit(argv[i]);
    for (const char *name : {"bare_window", "default", "simulate", "http", "broker"}) {
        if (!chosen.isEmpty() && !chosen.contains(QLatin1String(name)))
            continue;
        auto run = std::make_unique<Run>();
        run->name = name;
        const std::string_view configuration = name;
        QProcessEnvironment &environment = run->program.environment;
        // The platform this bench runs on; offscreen without one.
        if (qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
            environment.insert(QStringLiteral("QT_QPA_PLATFORM"), qEnvironmentVariable("QT_QPA_PLATFORM"));
        else if (qEnvironmentVariableIsSet("DISPLAY"))
            environment.remove(QStringLiteral("QT_QPA_PLATFORM"));
        if (configuration != "simulate")
            environment.remove(QStringLiteral("PONTRA_SIMULATE"));
        if (configuration == "http")
            WriteSettings(*run, QStringLiteral("HttpPort=%1\nHttpBind=127.0.0.1\n").arg(FreePort()));
        if (configuration == "broker")
            WriteSettings(*run, QStringLiteral("Broker=%1\n").arg(QString::fromStdString(broker.Address())));
        runs.push_back(std::move(run));
    }
    const QString program = qEnvironmentVariable("PONTRA_BENCH_PROGRAM", QStringLiteral(PONTRA_PROGRAM));
    for (auto &run : runs) {
        const bool bare = std::string_view(run->name) == "bare_window";
        run->process = std::make_unique<QProcess>();
        run->process->setProcessEnvironment(run->program.environment);
        run->process->start(bare ? QCoreApplication::applicationFilePath() : program,
                            bare ? QStringList{QStringLiteral("--bare")} : QStringList());
        run->process->waitForStarted();
    }
    QThread::sleep(static_cast<unsigned long>(settling));
    for (auto &run : runs)
        run->before = ContextSwitches(QString::number(run->process->processId()));
    QThread::sleep(static_cast<unsigned long>(window));

    for (auto &run : runs) {
        const Switches after = ContextSwitches(QString::number(run->process->processId()));
        long total = 0;
        std::map<QString, long> byName;
        for (const auto &[thread, count] : after) {
            const auto before = run->before.find(thread);
            const long woke = count - (before == run->before.end() ? 0 : before->second);
            total += woke;
            byName[thread.section(QLatin1Char('/'), 0, 0)] += woke;
        }
        std::printf("idle_wakeups_%s = %ld per %d s\n", run->name, total, window);
        for (const auto &[name, woke] : byName) {
            if (woke != 0)
                std::printf("idle_wakeups_%s_thread_%s = %ld per %d s\n", run->name,
                            qPrintable(QString(name).replace(QLatin1Char(' '), QLatin1Char('_'))), woke, window);
        }
        for (const auto &[thread, count] : run->before) {
            if (!after.count(thread))
                std::printf("idle_wakeups_%s_ended_thread_%s = 1\n", run->name, qPrintable(thread));
        }
        if (run->process->state() != QProcess::Running)
            std::printf("idle_wakeups_%s_ended_early = 1\n", run->name);
        kill(static_cast<pid_t>(run->process->processId()), SIGKILL);
        run->process->waitForFinished();
    }
    return 0;
}
