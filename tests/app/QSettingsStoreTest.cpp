#include "app/QSettingsStore.h"
#include "app/RegularFileRewrite.h"
#include "support/Printers.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <sys/stat.h>

namespace {

bool MakeFifo(const QString &path)
{
    return mkfifo(QFile::encodeName(path).constData(), 0600) == 0;
}

// Things that may sit where the settings file should be and must never be
// replaced; a fifo stands in for a device node.
const struct {
    const char *name;
    bool (*make)(const QString &place, const QString &aside);
} kForeignPlaces[] = {
    {"fifo", [](const QString &place, const QString &) { return MakeFifo(place); }},
    {"link to a fifo",
     [](const QString &place, const QString &aside) {
         return MakeFifo(aside + "/fifo") && QFile::link(aside + "/fifo", place);
     }},
    {"link to a folder", [](const QString &place, const QString &aside) { return QFile::link(aside, place); }},
    {"dangling link", [](const QString &place, const QString &aside) { return QFile::link(aside + "/gone", place); }},
};

// The path's kind, identity, size and link target; links are not followed.
QString Describe(const QString &path)
{
    struct stat node {};
    if (lstat(QFile::encodeName(path).constData(), &node) != 0)
        return path + " missing";
    return QStringLiteral("%1 kind %2 inode %3 size %4 -> %5")
        .arg(path)
        .arg(node.st_mode & S_IFMT, 0, 8)
        .arg(node.st_ino)
        .arg(node.st_size)
        .arg(QFileInfo(path).symLinkTarget());
}

// Every entry of the folders, described, to see that nothing changed or was
// left behind.
QStringList Snapshot(const QStringList &folders)
{
    QStringList entries;
    for (const QString &folder : folders) {
        const QDir dir(folder);
        for (const QString &name :
             dir.entryList(QDir::AllEntries | QDir::System | QDir::Hidden | QDir::NoDotAndDotDot, QDir::Name))
            entries << Describe(dir.filePath(name));
    }
    return entries;
}

void WriteFile(const QString &path, const QByteArray &text)
{
    QFile file(path);
    ASSERT_TRUE(QDir().mkpath(QFileInfo(file).absolutePath()));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

QByteArray ReadFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

class QSettingsStoreTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(home.isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(home.path()));
    }

    void TearDown() override { qunsetenv("XDG_CONFIG_HOME"); }

    QByteArray readIni() { return ReadFile(store.FileName()); }
    void writeIni(const QByteArray &text) { WriteFile(store.FileName(), text); }
    QString folder() const { return home.filePath("Vendaro"); }

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

TEST_F(QSettingsStoreTest, ALinkToARegularFileIsWrittenAsThatFile)
{
    const QString real = home.filePath("elsewhere/real.ini");
    WriteFile(real, "[Tool]\nName=abc\n");
    ASSERT_TRUE(QFile::setPermissions(real, QFile::ReadOwner | QFile::WriteOwner | QFile::ReadGroup));
    ASSERT_TRUE(QDir().mkpath(folder()));
    ASSERT_TRUE(QFile::link(real, store.FileName()));

    ASSERT_TRUE(store.OpenKey(true));
    EXPECT_EQ(store.WriteIntegers({{"Port", 3}}), QString());

    EXPECT_EQ(QFileInfo(store.FileName()).symLinkTarget(), real);
    EXPECT_EQ(ReadFile(real), "[General]\nPort=3\n\n[Tool]\nName=abc\n");
    EXPECT_EQ(QFile::permissions(real), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadUser | QFile::WriteUser
                                            | QFile::ReadGroup);
    EXPECT_EQ(Snapshot({home.filePath("elsewhere")}), QStringList{Describe(real)});
}

TEST_F(QSettingsStoreTest, NothingButARegularFileIsReadOrReplaced)
{
    int number = 0;
    for (const auto &foreign : kForeignPlaces) {
        SCOPED_TRACE(foreign.name);
        QSettingsStore own(QStringLiteral("foreign%1").arg(++number));
        const QString place = own.FileName();
        const QString aside = home.filePath(QStringLiteral("aside%1").arg(number));
        ASSERT_TRUE(QDir().mkpath(aside));

        // Swapped in after the key was opened for writing.
        WriteFile(place, "Port=1\n");
        ASSERT_TRUE(own.OpenKey(true));
        ASSERT_TRUE(QFile::remove(place));
        ASSERT_TRUE(foreign.make(place, aside));
        const QStringList before = Snapshot({folder(), aside});
        EXPECT_EQ(own.WriteIntegers({{"Port", 3}, {"X", 1}}), "Port");
        own.CloseKey();

        // Found there at start and at exit.
        EXPECT_FALSE(own.OpenKey(false));
        EXPECT_TRUE(!own.OpenKey(true) || own.WriteIntegers({{"Port", 3}}) == "Port");
        own.CloseKey();
        EXPECT_EQ(Snapshot({folder(), aside}), before);
    }
}

TEST_F(QSettingsStoreTest, AFileSwappedForAFifoDuringTheRewriteIsPutBack)
{
    writeIni("Port=1\n");
    QString swapped;
    const bool rewritten = RewriteRegularFile(store.FileName(), [&](const QByteArray &text) {
        if (QFile::remove(store.FileName()) && MakeFifo(store.FileName()))
            swapped = Describe(store.FileName());
        return text + "X=1\n";
    });

    EXPECT_FALSE(rewritten);
    ASSERT_FALSE(swapped.isEmpty());
    EXPECT_EQ(Snapshot({folder()}), QStringList{swapped});
}

} // namespace
