#include "app/QSettingsStore.h"
#include "support/Printers.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

class QSettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, home.path());
    }

    void writeIni(const QByteArray &text)
    {
        QFile file(store.FileName());
        ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(text);
    }

    QTemporaryDir home;
    QSettingsStore store{QStringLiteral("counter")};
};

TEST_F(QSettingsStoreTest, LivesUnderTheVendorAndProgramName)
{
    EXPECT_EQ(store.FileName(), home.path() + "/Vendaro/counter.ini");
}

TEST_F(QSettingsStoreTest, AMissingKeyIsNotCreatedByReading)
{
    EXPECT_FALSE(store.OpenKey(false));
    EXPECT_FALSE(QFile::exists(store.FileName()));
}

TEST_F(QSettingsStoreTest, WrittenValuesReadBackInAFreshStore)
{
    ASSERT_TRUE(store.OpenKey(true));
    EXPECT_TRUE(store.WriteInteger("Port", 3));
    EXPECT_TRUE(store.WriteInteger("X", -250));
    store.CloseKey();

    QSettingsStore again(QStringLiteral("counter"));
    ASSERT_TRUE(again.OpenKey(false));
    EXPECT_EQ(again.ReadInteger("Port"), 3);
    EXPECT_EQ(again.ReadInteger("X"), -250);
    EXPECT_EQ(again.ReadInteger("Y"), std::nullopt);
}

TEST_F(QSettingsStoreTest, OnlyThirtyTwoBitIntegersAreRead)
{
    writeIni("[General]\nText=abc\nDecimal=1.5\nHuge=99999999999\nWord=4294967295\nSpaced= 12 \nEmpty=\n");
    ASSERT_TRUE(store.OpenKey(false));
    EXPECT_EQ(store.ReadInteger("Text"), std::nullopt);
    EXPECT_EQ(store.ReadInteger("Decimal"), std::nullopt);
    EXPECT_EQ(store.ReadInteger("Huge"), std::nullopt);
    EXPECT_EQ(store.ReadInteger("Empty"), std::nullopt);
    EXPECT_EQ(store.ReadInteger("Word"), -1);
    EXPECT_EQ(store.ReadInteger("Spaced"), 12);
}

TEST_F(QSettingsStoreTest, AKeyThatCannotBeOpenedTakesNoWrites)
{
    // A folder in the file's place defeats even root.
    ASSERT_TRUE(QDir().mkpath(store.FileName()));
    EXPECT_FALSE(store.OpenKey(true));
    EXPECT_FALSE(store.WriteInteger("Port", 2));
}

TEST_F(QSettingsStoreTest, AFileInTheFoldersPlaceLeavesTheKeyUnmade)
{
    QFile blocker(QFileInfo(store.FileName()).absolutePath());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(store.OpenKey(true));
    EXPECT_FALSE(store.WriteInteger("Port", 2));
    EXPECT_TRUE(QFileInfo(blocker.fileName()).isFile());
}

} // namespace
