#include "support/TestApplication.h"

#include <QTimer>

TestApplication::TestApplication(std::set<int> presentPorts) : ports(std::move(presentPorts)) {}

PontraApplication &TestApplication::Start()
{
    lines = std::make_unique<SimulatedSerialPorts>(ports);
    app_ = std::make_unique<PontraApplication>(MainWindowServices{
        settings,
        [this](int port) { return lines->IsPresent(port); },
        QStringLiteral("/opt/pontra/pontra"),
        recordErrors ? std::function<void(const QString &)>([this](const QString &message) { errors << message; })
                     : nullptr,
        lines->Factory(),
        [this] { return std::make_unique<RecordingNotificationArea>(tray); },
    });
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
