#include "support/TestApplication.h"

#include "app/CommandLine.h"
#include "dialogs/TForm2.h"
#include "widgets/TLbSpeedButton.h"

#include <QApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <sstream>

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
        .Ask = [this](const QString &question) {
            questions << question;
            return answer;
        },
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
        .ModuleFolders = moduleFolders,
    }, &termination);
    return *app_;
}

void TestApplication::Store(std::initializer_list<std::pair<QString, QVariant>> values)
{
    settings.keyExists = true;
    for (const auto &[name, value] : values)
        settings.values[name] = value;
}

void TestApplication::EditAdvanced(const std::function<void(TFormAdvanced &)> &inside)
{
    TForm2 &dialog = app().forms.Form2();
    TFormAdvanced &advanced = app().forms.FormAdvanced();
    WhenIdle([&] {
        WhenIdle([&] {
            EXPECT_TRUE(advanced.isModal());
            EXPECT_EQ(advanced.parentWidget(), &dialog);
            inside(advanced);
            if (advanced.isVisible())
                advanced.close();
        });
        dialog.btn_Advanced->click();
        dialog.btn_Cansel->click();
    });
    main().bF2Click();
}

QStringList ExportedRows(const std::filesystem::path &journal)
{
    CommandLine command;
    command.action = CommandLine::Action::ExportCsv;
    std::ostringstream out;
    std::ostringstream err;
    EXPECT_EQ(RunCommandLine(command, "pontra", journal, out, err), kExitDone) << err.str();
    QStringList rows = QString::fromStdString(out.str()).split("\r\n", Qt::SkipEmptyParts);
    rows.removeFirst();
    for (QString &row : rows)
        row = row.section(';', 1, 3);
    return rows;
}

void TestApplication::Stop()
{
    app_.reset();
}

void WhenIdle(std::function<void()> action)
{
    QTimer::singleShot(0, std::move(action));
}
