#include "settings/QSettingsStore.h"
#include "settings/RegularFileRewrite.h"
#include "support/Printers.h"

#include <QFile>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <csignal>
#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <sys/xattr.h>
#include <unistd.h>

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
    EXPECT_EQ(store.WriteValues({{"Port", 3}, {"X", -250}, {"DailyReset", "04:15"}, {"Off", ""}}), QString());
    store.CloseKey();

    QSettingsStore again(QStringLiteral("counter"));
    ASSERT_TRUE(again.OpenKey(false));
    EXPECT_EQ(again.ReadInteger("Port"), 3);
    EXPECT_EQ(again.ReadInteger("X"), -250);
    EXPECT_EQ(again.ReadString("DailyReset"), "04:15");
    EXPECT_EQ(again.ReadString("Off"), "");
    EXPECT_EQ(again.ReadInteger("Y"), std::nullopt);
}

TEST_F(QSettingsStoreTest, ABatchSetsTheRootValuesAndKeepsEverythingElse)
{
    writeIni("; kept as written\nPort=1\n[Tool]\nPort=9\nName=abc\n[General]\nPort=4\nOther=x y\n"
             "[%General]\nPort=7\n");
    ASSERT_TRUE(store.OpenKey(true));
    EXPECT_EQ(store.WriteValues({{"Port", 3}, {"X", -5}}), QString());
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

TEST_F(QSettingsStoreTest, ALargeFileKeepsEveryOtherByteAroundTheValuesSetThroughout)
{
    // Several megabytes with root values at its start, in its middle and at
    // its end: each piece of the old content lands where it belongs.
    QByteArray tools;
    for (int group = 0; tools.size() < 3'000'000; ++group)
        tools += "[Tool" + QByteArray::number(group) + "]\nentry=" + QByteArray(60 + group % 7, 'v') + "\n";
    writeIni("Port=1\n" + tools + "[General]\nX=2\n" + tools + "[General]\nY=3");
    ASSERT_TRUE(store.OpenKey(true));
    EXPECT_EQ(store.WriteValues({{"Port", 4}, {"X", 5}, {"Y", 6}}), QString());
    store.CloseKey();
    EXPECT_TRUE(readIni() == "Port=4\n" + tools + "[General]\nX=5\n" + tools + "[General]\nY=6");
}

TEST_F(QSettingsStoreTest, AFileWithoutARootSectionGetsOneAtTheTop)
{
    writeIni("[Tool]\nName=abc");
    ASSERT_TRUE(store.OpenKey(true));
    EXPECT_EQ(store.WriteValues({{"Port", 3}}), QString());
    EXPECT_EQ(store.ReadInteger("Port"), 3);
    EXPECT_EQ(readIni(), "[General]\nPort=3\n\n[Tool]\nName=abc");
}

TEST_F(QSettingsStoreTest, OnlyThirtyTwoBitIntegersAreRead)
{
    writeIni(QByteArray("[General]\nText=abc\nDecimal=1.5\nHuge=99999999999\nWord=4294967295\nSpaced= 12 \nEmpty=\n"
                        "List=1,2\nNul=4")
             + '\0' + "2\n");
    ASSERT_TRUE(store.OpenKey(false));
    EXPECT_EQ(store.ReadInteger("Nul"), std::nullopt);
    EXPECT_EQ(store.ReadInteger("List"), std::nullopt);
    EXPECT_EQ(store.ReadString("List"), std::nullopt);
    EXPECT_EQ(store.ReadString("Word"), "4294967295");
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
    EXPECT_EQ(store.WriteValues({{"Port", 2}}), "Port");
}

TEST_F(QSettingsStoreTest, AFileInTheFoldersPlaceLeavesTheKeyUnmade)
{
    QFile blocker(QFileInfo(store.FileName()).absolutePath());
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();
    EXPECT_FALSE(store.OpenKey(true));
    EXPECT_EQ(store.WriteValues({{"Port", 2}}), "Port");
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
    EXPECT_EQ(store.WriteValues({{"Port", 3}}), QString());

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
        EXPECT_EQ(own.WriteValues({{"Port", 3}, {"X", 1}}), "Port");
        own.CloseKey();

        // Found there at start and at exit.
        EXPECT_FALSE(own.OpenKey(false));
        EXPECT_TRUE(!own.OpenKey(true) || own.WriteValues({{"Port", 3}}) == "Port");
        own.CloseKey();
        EXPECT_EQ(Snapshot({folder(), aside}), before);
    }
}

TEST_F(QSettingsStoreTest, AFileSwappedForAFifoDuringTheRewriteIsPutBack)
{
    writeIni("Port=1\n");
    QString swapped;
    const QString failure = RewriteRegularFile(store.FileName(), [&](QByteArrayView text, const RewritePieces &put) {
        if (QFile::remove(store.FileName()) && MakeFifo(store.FileName()))
            swapped = Describe(store.FileName());
        put(text);
        put("X=1\n");
    });

    EXPECT_FALSE(failure.isEmpty());
    ASSERT_FALSE(swapped.isEmpty());
    EXPECT_EQ(Snapshot({folder()}), QStringList{swapped});
}

// A user and group no account has, for files root gives away.
constexpr uid_t kStranger = 54321;

struct stat StatOf(const QString &path)
{
    struct stat node {};
    lstat(QFile::encodeName(path).constData(), &node);
    return node;
}

bool GiveAway(const QString &path)
{
    return chown(QFile::encodeName(path).constData(), kStranger, kStranger) == 0;
}

TEST_F(QSettingsStoreTest, AFileThatCannotBeReplacedAsItWasIsRefusedAndLeftAlone)
{
    const bool root = geteuid() == 0;
    const QString aside = home.filePath("aside");
    const struct {
        const char *name;
        bool needsRoot;
        std::function<bool(const QString &place)> make;
        QString reason;
    } cases[] = {
        {"read-only", false,
         [](const QString &place) { return QFile::setPermissions(place, QFile::ReadOwner | QFile::ReadGroup); },
         qt_error_string(EACCES)},
        {"a second hard link", false,
         [&](const QString &place) {
             return link(QFile::encodeName(place).constData(), QFile::encodeName(aside + "/copy").constData()) == 0;
         },
         "Die Datei hat weitere harte Verknüpfungen, die beim Ersetzen abgetrennt würden."},
        {"another user's", true, [](const QString &place) { return GiveAway(place); },
         "Die Datei gehört einem anderen Benutzer."},
        {"a link to another user's file", true,
         [&](const QString &place) {
             return QFile::rename(place, aside + "/real.ini") && GiveAway(aside + "/real.ini")
                    && QFile::link(aside + "/real.ini", place);
         },
         "Die Datei gehört einem anderen Benutzer."},
        {"a link into another user's folder", true,
         [&](const QString &place) {
             return QFile::rename(place, aside + "/real.ini") && GiveAway(aside)
                    && QFile::link(aside + "/real.ini", place);
         },
         "Ihr Ordner gehört einem anderen Benutzer."},
    };
    for (const auto &refused : cases) {
        SCOPED_TRACE(refused.name);
        if (refused.needsRoot && !root)
            continue;
        QDir(aside).removeRecursively();
        QFile::remove(store.FileName());
        ASSERT_TRUE(QDir().mkpath(aside));
        writeIni("[General]\nPort=1\n");
        ASSERT_TRUE(refused.make(store.FileName()));
        const QStringList before = Snapshot({folder(), aside});

        ASSERT_TRUE(store.OpenKey(true));
        EXPECT_EQ(store.WriteValues({{"Port", 3}}), "Port");
        EXPECT_EQ(store.FailureReason(), refused.reason);
        store.CloseKey();
        EXPECT_EQ(Snapshot({folder(), aside}), before);
        EXPECT_EQ(readIni(), "[General]\nPort=1\n");
    }
    if (!root)
        GTEST_SKIP() << "the other users' files need root";
}

TEST_F(QSettingsStoreTest, ARewriteKeepsOwnerGroupModeAndExtendedAttributes)
{
    writeIni("[General]\nPort=1\n");
    const QByteArray file = QFile::encodeName(store.FileName());
    const bool root = geteuid() == 0;
    // Changing the group as root clears the set-ID bits of a file.
    ASSERT_TRUE(!root || chown(file.constData(), 0, kStranger) == 0);
    ASSERT_EQ(chmod(file.constData(), 06640), 0);
    ASSERT_EQ(setxattr(file.constData(), "user.pontra", "kept", 4, 0), 0) << qt_error_string(errno).toStdString();
    const struct stat before = StatOf(store.FileName());

    ASSERT_TRUE(store.OpenKey(true));
    ASSERT_EQ(store.WriteValues({{"Port", 3}}), QString());
    store.CloseKey();

    const struct stat after = StatOf(store.FileName());
    EXPECT_NE(after.st_ino, before.st_ino);
    EXPECT_EQ(after.st_uid, before.st_uid);
    EXPECT_EQ(after.st_gid, before.st_gid);
    EXPECT_EQ(after.st_mode, before.st_mode);
    char value[8] = {};
    EXPECT_EQ(getxattr(file.constData(), "user.pontra", value, sizeof value), 4);
    EXPECT_STREQ(value, "kept");
    EXPECT_EQ(readIni(), "[General]\nPort=3\n");
}

TEST_F(QSettingsStoreTest, TheTemporaryFileOfAKilledWriteIsRemovedAtTheNextStartOnly)
{
    writeIni("[General]\nPort=1\n");
    // A rewrite killed for its size while it writes, as a kill at exit would.
    const pid_t writer = fork();
    ASSERT_GE(writer, 0);
    if (writer == 0) {
        const rlimit small{4096, 4096};
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        setrlimit(RLIMIT_FSIZE, &small);
        RewriteRegularFile(store.FileName(),
                           [](QByteArrayView, const RewritePieces &put) { put(QByteArray(1 << 20, 'x')); });
        _exit(0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(writer, &status, 0), writer);
    ASSERT_TRUE(WIFSIGNALED(status));
    QStringList left = QDir(folder()).entryList({"counter.ini.*"}, QDir::Files);
    ASSERT_EQ(left.size(), 1);
    const QString stale = left.first();

    // Names the rewrite never gives, and a file of another user, stay.
    const QStringList others = {"counter.ini.backup", "counter.ini.AbC12.tmp", "other.ini.AbC123.tmp", "counter.ini"};
    for (const QString &name : others.first(3))
        WriteFile(folder() + '/' + name, "mine");
    if (geteuid() == 0) {
        WriteFile(folder() + "/counter.ini.Xyz789.tmp", "theirs");
        ASSERT_TRUE(GiveAway(folder() + "/counter.ini.Xyz789.tmp"));
    }
    QStringList kept = QDir(folder()).entryList(QDir::Files);
    kept.removeOne(stale);

    // Another copy of the program in the middle of its write.
    {
        const int lock = open(QFile::encodeName(folder()).constData(), O_RDONLY | O_DIRECTORY);
        ASSERT_EQ(flock(lock, LOCK_SH), 0);
        EXPECT_TRUE(store.OpenKey(false));
        store.CloseKey();
        close(lock);
        EXPECT_TRUE(QFile::exists(folder() + '/' + stale));
    }
    EXPECT_TRUE(store.OpenKey(false));
    EXPECT_EQ(store.ReadInteger("Port"), 1);
    store.CloseKey();
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files), kept);
}

TEST_F(QSettingsStoreTest, TheEnvironmentCannotMoveTheFileAndNewFoldersArePrivate)
{
    const QByteArray savedHome = qgetenv("HOME");
    qputenv("HOME", QFile::encodeName(home.filePath("user")));
    // Relative: ignored, as the XDG rules say.
    qputenv("XDG_CONFIG_HOME", "relative/config");
    EXPECT_EQ(store.FileName(), home.filePath("user/.config/Vendaro/counter.ini"));
    ASSERT_TRUE(store.OpenKey(true));
    EXPECT_EQ(store.WriteValues({{"Port", 3}}), QString());
    store.CloseKey();
    for (const char *made : {"user", "user/.config", "user/.config/Vendaro"})
        EXPECT_EQ(StatOf(home.filePath(made)).st_mode & 07777, 0700) << made;
    EXPECT_FALSE(QFileInfo::exists("relative"));

    // Without a home folder in the environment: the account's, never the root's.
    qunsetenv("XDG_CONFIG_HOME");
    const QString accountFile = QFile::decodeName(getpwuid(geteuid())->pw_dir) + "/.config/Vendaro/counter.ini";
    for (const char *unusable : {"", "/", "relative"}) {
        qputenv("HOME", unusable);
        EXPECT_EQ(store.FileName(), accountFile) << unusable;
    }
    qunsetenv("HOME");
    EXPECT_EQ(store.FileName(), accountFile);
    EXPECT_FALSE(store.FileName().startsWith("/.config"));
    if (!savedHome.isNull())
        qputenv("HOME", savedHome);
}

TEST_F(QSettingsStoreTest, AFailedWriteGivesTheSystemsReasonAndLeavesNothingBehind)
{
    const QByteArray ini = "[General]\nPort=1\n[Tool]\n" + QByteArray(8000, 'x') + "=1\n";
    writeIni(ini);
    // A file size limit makes the write fail as a full disk would.
    struct sigaction ignore {};
    struct sigaction saved {};
    ignore.sa_handler = SIG_IGN;
    sigaction(SIGXFSZ, &ignore, &saved);
    rlimit limit{};
    getrlimit(RLIMIT_FSIZE, &limit);
    const rlimit small{4096, limit.rlim_max};
    setrlimit(RLIMIT_FSIZE, &small);
    ASSERT_TRUE(store.OpenKey(true));
    const QString failed = store.WriteValues({{"Port", 3}, {"Door", QString(100, 'x')}});
    const QString reason = store.FailureReason();
    store.CloseKey();
    setrlimit(RLIMIT_FSIZE, &limit);
    sigaction(SIGXFSZ, &saved, nullptr);

    EXPECT_EQ(failed, "Port");
    EXPECT_EQ(reason, qt_error_string(EFBIG));
    EXPECT_EQ(readIni(), ini);
    EXPECT_EQ(QDir(folder()).entryList(QDir::Files), QStringList{"counter.ini"});
}

} // namespace
