#include "support/TestApplication.h"

#include "dialogs/TFormAdvanced.h"
#include "display/TFormMonitor2.h"
#include "journal/JournalReader.h"
#include "link/HallLink.h"
#include "link/LinkTexts.h"
#include "link/MosquittoBroker.h"
#include "widgets/TImage.h"
#include "widgets/TLabel3D.h"
#include "widgets/TTrayIcon.h"

#include <QLabel>
#include <QLineEdit>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>

namespace {

// A reconnection waits up to 10 s between its tries.
template <typename Condition>
bool Eventually(Condition condition)
{
    return QTest::qWaitFor(condition, 30000);
}

// One entrance: the whole program, linked to its hall's broker.
class Door {
public:
    Door(const QString &name, const std::string &broker, const QTemporaryDir &folder,
         const QString &password = {})
    {
        test.settings.keyExists = true;
        test.settings.values["Door"] = name;
        test.settings.values["Broker"] = QString::fromStdString(broker);
        if (!password.isEmpty()) {
            test.settings.values["BrokerUser"] = "pontra";
            test.settings.values["BrokerPassword"] = password;
        }
        journal = std::filesystem::path(folder.filePath(name).toStdString()) / "journal.sqlite";
        std::filesystem::create_directories(journal.parent_path());
        test.journalFile = journal;
        test.Start();
    }

    // Every place that shows the count agrees on it.
    bool Shows(int count)
    {
        return test.hall().Count() == count && test.state().VisitorCount == count
               && test.main().Label1->text() == QString::number(count)
               && test.app().forms.FormMonitor2->Label3D1->Caption().contains(
                   QStringLiteral("Sie sind der %1.").arg(count + 1));
    }
    bool MarkShown() { return !test.main().LinkDownMark->isHidden(); }
    bool Linked() { return test.app().Link().Connected() && !MarkShown(); }
    void Press(QAction *key, int times = 1)
    {
        for (int i = 0; i < times; ++i)
            key->trigger();
    }
    TFormMain &main() { return test.main(); }

    TestApplication test;
    std::filesystem::path journal;
};

bool HasRow(const std::vector<JournalRow> &rows, HallSource source, JournalChange change)
{
    return std::any_of(rows.begin(), rows.end(), [&](const JournalRow &row) {
        return row.source == static_cast<std::uint16_t>(source) && row.change == change;
    });
}

TEST(SeveralDoorsTest, TwoDoorsShareOneCountThroughResetsAndAnAbsentBroker)
{
    MosquittoBroker broker;
    QTemporaryDir folder;
    Door nord(QStringLiteral("Nord"), broker.Address(), folder);
    Door sued(QStringLiteral("Süd"), broker.Address(), folder);
    ASSERT_TRUE(Eventually([&] { return nord.Linked() && sued.Linked(); }));

    nord.Press(nord.main().Rein1, 3);
    sued.Press(sued.main().Rein1, 2);
    sued.Press(sued.main().Raus1);
    ASSERT_TRUE(Eventually([&] { return nord.Shows(4) && sued.Shows(4); }));

    // Renaming a door to a name another door of the hall has is named as
    // taken on the tab, before the two overwrite each other's totals.
    TFormAdvanced &tab = nord.test.app().forms.FormAdvanced();
    tab.edHall->setText(nord.test.app().Advanced.HallName);
    tab.SetOtherDoors(nord.test.app().Advanced.HallName, nord.test.app().Link().OtherDoors());
    tab.edDoor->setText(QStringLiteral("Süd"));
    EXPECT_FALSE(tab.lblDoorTaken->isHidden());
    EXPECT_TRUE(tab.lblDoorTaken->text().contains(QStringLiteral("heißt schon „Süd“")));
    tab.edDoor->setText(QStringLiteral("West"));
    EXPECT_TRUE(tab.lblDoorTaken->isHidden());

    nord.Press(nord.main().Reset1);
    ASSERT_TRUE(Eventually([&] { return nord.Shows(0) && sued.Shows(0); }));

    broker.Stop();
    ASSERT_TRUE(Eventually([&] { return nord.MarkShown() && sued.MarkShown(); }));
    EXPECT_EQ(nord.main().LinkDownMark->toolTip(), QString::fromUtf8(kNoHallServerText));
    EXPECT_TRUE(nord.main().TrayIcon1->ToolTip().endsWith(QString::fromUtf8(kNoHallServerText)));
    // Each door counts on by itself.
    nord.Press(nord.main().Rein1, 2);
    sued.Press(sued.main().Rein1);
    EXPECT_TRUE(nord.Shows(2));
    EXPECT_TRUE(sued.Shows(1));

    ASSERT_TRUE(broker.Start());
    ASSERT_TRUE(Eventually([&] { return nord.Linked() && sued.Linked() && nord.Shows(3) && sued.Shows(3); }));
    EXPECT_EQ(nord.main().TrayIcon1->ToolTip(), nord.main().windowTitle());
    EXPECT_TRUE(nord.test.notices.isEmpty()) << nord.test.notices.join('\n').toStdString();

    // Without its broker a door counts alone, on from the count it shows;
    // with it again, it counts with the others, nothing lost.
    AdvancedSettings alone = sued.test.app().Advanced;
    alone.Broker.clear();
    sued.test.app().ApplyAdvancedSettings(alone);
    EXPECT_FALSE(sued.test.app().Link().Running());
    EXPECT_FALSE(sued.MarkShown());
    sued.Press(sued.main().Rein1);
    EXPECT_TRUE(sued.Shows(4));
    EXPECT_TRUE(nord.Shows(3));
    AdvancedSettings linked = alone;
    linked.Broker = QString::fromStdString(broker.Address());
    sued.test.app().ApplyAdvancedSettings(linked);
    sued.Press(sued.main().Raus1);
    ASSERT_TRUE(Eventually([&] { return nord.Shows(2) && sued.Shows(2); }));
    EXPECT_EQ(sued.test.settings.values.value("Broker").toString(), linked.Broker);

    // The journal tells the other doors' changes and reset apart from the
    // door's own.
    // The last made first: the tray icons chain the minimise hook.
    sued.test.Stop();
    nord.test.Stop();
    const auto rows = JournalReader(sued.journal).Rows(std::nullopt, std::nullopt);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(rows.back().count, 2);
    EXPECT_TRUE(HasRow(rows, HallSource::Out, JournalChange::Down));
    EXPECT_TRUE(HasRow(rows, HallSource::OtherDoors, JournalChange::Merged));
    EXPECT_TRUE(HasRow(rows, HallSource::OtherDoorReset, JournalChange::Reset));
    EXPECT_FALSE(HasRow(rows, HallSource::Reset, JournalChange::Reset));
    EXPECT_TRUE(HasRow(JournalReader(nord.journal).Rows(std::nullopt, std::nullopt), HallSource::Reset,
                       JournalChange::Reset));
}

TEST(SeveralDoorsTest, EveryWindowShowsTheNewestCountWhateverOrderTheLinksCallsArriveIn)
{
    MosquittoBroker broker;
    QTemporaryDir folder;
    Door nord(QStringLiteral("Nord"), broker.Address(), folder);
    Door sued(QStringLiteral("Süd"), broker.Address(), folder);
    ASSERT_TRUE(Eventually([&] { return nord.Linked() && sued.Linked(); }));
    // F10 at Süd, an entry at Nord right after: the link's calls reach the
    // windows late, together, the reset's after counts that are newer.
    for (int i = 0; i < 20; ++i) {
        sued.Press(sued.main().Reset1);
        nord.Press(nord.main().Rein1);
        ASSERT_TRUE(Eventually([&] { return nord.Shows(1) && sued.Shows(1); })) << "try " << i;
    }
    // Counts told out of order, as a value each: the newer one stays.
    HallLink &link = sued.test.app().Link();
    link.Told({85, 1000002});
    link.Told({84, 1000001});
    EXPECT_TRUE(Eventually([&] { return sued.Shows(85); }));
    link.Told({84, 1000003});
    EXPECT_TRUE(Eventually([&] { return sued.Shows(84); }));
    sued.test.Stop();
    nord.test.Stop();
}

TEST(SeveralDoorsTest, ARefusedLoginIsOneNoticeOverTheMainWindowAndTheDoorCountsOn)
{
    MosquittoBroker broker({.user = "pontra", .password = "geheim"});
    QTemporaryDir folder;
    Door nord(QStringLiteral("Nord"), broker.Address(), folder, QStringLiteral("falsch"));
    ASSERT_TRUE(Eventually([&] { return broker.Logged("disconnected, not authorised") >= 2; }));
    QCoreApplication::processEvents();
    EXPECT_EQ(nord.test.notices, QStringList(QString::fromUtf8(kLoginRefusedText)));
    EXPECT_TRUE(nord.MarkShown());
    nord.Press(nord.main().Rein1, 2);
    EXPECT_TRUE(nord.Shows(2));
}

} // namespace
