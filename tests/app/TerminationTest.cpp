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
        EXPECT_EQ(dialog == test.app().forms.FDlgYesNo, c.open == std::string("question"));
        test.Stop();
        EXPECT_EQ(test.settings.values["MaxCounter"], 77);
    }
}

} // namespace
