#include "support/TestApplication.h"

#include <QApplication>
#include <QTimer>

TestApplication::TestApplication(std::set<int> presentPorts) : ports(std::move(presentPorts)) {}

PontraApplication &TestApplication::Start()
{
    lines = std::make_unique<SimulatedSerialPorts>(ports);
    app_ = std::make_unique<PontraApplication>(MainWindowServices{
        .Settings = settings,
        .PortPresent = [this](int port) { return lines->IsPresent(port); },
        .RefusedPort = [this](int port) {
            const auto refused = refusedPorts.find(port);
            return refused == refusedPorts.end() ? std::nullopt : std::optional(refused->second);
        },
        .ProgramPath = programPath,
        .ShowError = recordErrors ? std::function<void(const QString &)>(
                                        [this](const QString &message) { errors << message; })
                                  : nullptr,
        .ShowNotice = [this](const QString &message) { notices << message; },
        .NewSerialDevice = lines->Factory(),
        .NewNotificationArea = [this] { return std::make_unique<RecordingNotificationArea>(tray); },
        .NewHelpViewer = [this] { return std::make_unique<RecordingHelpViewer>(help); },
        .WarnNoHelpViewer = [this] {
            // Whether the main window exists yet.
            bool mainWindow = false;
            for (QWidget *window : QApplication::topLevelWidgets())
                mainWindow = mainWindow || qobject_cast<TFormMain *>(window);
            helpWarnings << (mainWindow ? "after the main window" : "before the main window");
        },
        .JournalFile = journalFile,
        .Now = now,
    }, &termination);
    return *app_;
}

void TestApplication::Stop()
{
    app_.reset();
}

void WhenIdle(std::function<void()> action)
{
    QTimer::singleShot(0, std::move(action));
}
