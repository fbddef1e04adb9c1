#include "support/ProgramProcess.h"
#include "support/TestApplication.h"
#include "support/Wait.h"

#include "dialogs/TFDlgYesNo.h"
#include "dialogs/TForm2.h"

#include <QApplication>
#include <QSignalSpy>

#include <gtest/gtest.h>

#include <signal.h>

namespace {

// What a shutdown, a logout or Ctrl+C sends: the run ends as after "Ja",
// whatever is open, and the settings are stored.
TEST(Termination, ASignalEndsTheRunWithoutTheQuestionWhateverIsOpen)
{
    const struct {
        int signal;
        const char *open; // what the operator has open when it comes
    } cases[] = {{SIGTERM, "settings"}, {SIGHUP, "question"}, {SIGINT, "tray"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.open);
        TestApplication test;
        test.Start();
        test.hall().SetCapacity(77);
        TFormMain &main = test.main();
        main.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
        QSignalSpy closed(&main, &TFormMain::Closed);
        QWidget *dialog = nullptr;
        const auto signalFromInside = [&] {
            WhenIdle([&] {
                dialog = QApplication::activeModalWidget();
                raise(c.signal);
            });
        };
        if (c.open == std::string("settings")) {
            signalFromInside();
            main.bF2Click();
        } else if (c.open == std::string("question")) {
            signalFromInside();
            main.close();
        } else {
            main.setWindowState(Qt::WindowMinimized);
            ASSERT_TRUE(WaitUntil([&] { return test.tray->Shown; }));
            raise(c.signal);
        }
        ASSERT_TRUE(WaitUntil([&] { return closed.count() == 1; }));
        EXPECT_FALSE(main.isVisible());
        if (dialog) {
            EXPECT_FALSE(dialog->isVisible());
        }
        // Asked only when the operator closed the window.
        EXPECT_EQ(dialog && dialog == test.app().forms.FDlgYesNo.IfMade(), c.open == std::string("question"));
        test.Stop();
        EXPECT_EQ(test.settings.values["MaxCounter"], 77);
    }
}

// A shutdown must not wait for a box nobody closes: the settings that
// could not be stored are told on standard error and in the journal.
TEST(Termination, ASignalEndsTheRunAlsoWhenTheSettingsCannotBeStored)
{
    const struct {
        int signal;
        const char *blocked; // what stands where the settings would go
    } cases[] = {{SIGTERM, "config/Vendaro"}, {SIGHUP, "config/Vendaro/pontra.ini"}, {SIGINT, "config/Vendaro"}};
    for (const auto &c : cases) {
        SCOPED_TRACE(c.signal);
        Program program;
        // A file in the folder's place, a folder in the file's.
        QDir().mkpath(program.Path("config"));
        if (QString(c.blocked).endsWith(".ini"))
            QDir().mkpath(program.Path(c.blocked));
        else
            QFile(program.Path(c.blocked)).open(QIODevice::WriteOnly);
        auto run = program.Start();
        ASSERT_TRUE(WaitUntil([&] { return program.Holds(*run); }));
        ::kill(static_cast<pid_t>(run->processId()), c.signal);
        ASSERT_TRUE(run->waitForFinished(10000));
        EXPECT_EQ(run->exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(run->exitCode(), 0);
        EXPECT_TRUE(run->readAllStandardError().contains("Failed to set data for 'Port'"));
        const QStringList rows = ExportedRows(program.JournalFile().toStdString());
        ASSERT_FALSE(rows.isEmpty());
        EXPECT_EQ(rows.last(), "Einstellungen nicht gespeichert;;0");
    }
}

} // namespace
