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
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    }

    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    QByteArray readIni()
    {
        QFile file(store.FileName());
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
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

TEST_F(QSettingsStoreTest, ABatchSetsTheRootValuesAndKeepsEverythingElse)
{
    writeIni("; kept as written\nPort=1\n[Tool]\nPort=9\nName=abc\n[General]\nPort=4\nOther=x y\n"
             "[%General]\nPort=7\n");
    ASSERT_TRUE(store.OpenKey(true));
    EXPECT_EQ(store.WriteIntegers({{"Port", 3}, {"X", -5}}), QString());
    store.CloseKey();

    EXPECT_EQ(readIni(), "; kept as written\nPort=3\n[Tool]\nPort=9\nName=abc\n[General]\nX=-5\nPort=3\n"
                         "Other=x y\n[%General]\nPort=7\n");
    QSettings written(store.FileName(), QSettings::IniFormat);
    EXPECT_EQ(written.value("Port"), 3);
    EXPECT_EQ(written.value("X"), -5);
    EXPECT_EQ(written.value("Other"), "x y");
    EXPECT_EQ(written.value("Tool/Port"), 9);
    EXPECT_EQ(written.value("General/Port"), 7);
}

TEST_F(QSettingsStoreTest, AFileWithoutARootSectionGetsOneAtTheTop)
{
    writeIni("[Tool]\nName=abc");
    ASSERT_TRUE(store.OpenKey(true));
    EXPECT_EQ(store.WriteIntegers({{"Port", 3}}), QString());
    EXPECT_EQ(store.ReadInteger("Port"), 3);
    EXPECT_EQ(readIni(), "[General]\nPort=3\n\n[Tool]\nName=abc");
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
