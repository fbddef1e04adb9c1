#include "app/LoginStart.h"
#include "journal/JournalTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

class LoginStartTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        old = qgetenv("XDG_CONFIG_HOME");
        qputenv("XDG_CONFIG_HOME", QByteArray::fromStdString((folder.Path() / "config").string()));
        fs::create_directories(folder.Path() / "config");
    }
    void TearDown() override
    {
        if (old.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", old);
    }

    TempFolder folder;
    QByteArray old;
    const fs::path entry = folder.Path() / "config/autostart/de.vendaro.Pontra.desktop";
};

// A field code is a percent sign in an Exec line; one in a folder's name is doubled.
TEST_F(LoginStartTest, ThePercentSignOfAFolderIsEscapedInExec)
{
    ASSERT_EQ(LoginStart::Set(true, QStringLiteral("/opt/Halle_100%/pontra")), QString());
    QFile written(QString::fromStdString(entry.string()));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray content = written.readAll();
    EXPECT_TRUE(content.contains("\nExec=/opt/Halle_100%%/pontra\n")) << content.toStdString();
    EXPECT_TRUE(LoginStart::Enabled());
    if (const QString validator = QStandardPaths::findExecutable("desktop-file-validate"); !validator.isEmpty()) {
        QProcess validate;
        validate.start(validator, {written.fileName()});
        ASSERT_TRUE(validate.waitForFinished(60000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
    }
}

// Run as root, as the hostile cases need: another user's folder is nobody's.
TEST_F(LoginStartTest, NeitherWritesIntoAnotherUsersFolderNorWaitsOnAFifo)
{
    const fs::path theirs = folder.Path() / "fremd";
    fs::create_directory(theirs);
    ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
    fs::create_directory_symlink(theirs, entry.parent_path());
    EXPECT_EQ(LoginStart::Set(true, QStringLiteral("/opt/pontra/pontra")),
              QStringLiteral("Der Eintrag „%1“ für den Start mit der Anmeldung lässt sich nicht schreiben. "
                             "Ihr Ordner gehört einem anderen Benutzer.")
                  .arg(QString::fromStdString(entry.string())));
    EXPECT_TRUE(fs::is_empty(theirs));

    fs::remove(entry.parent_path());
    fs::create_directory(entry.parent_path());
    ASSERT_EQ(mkfifo(entry.c_str(), 0600), 0);
    EXPECT_FALSE(LoginStart::Enabled()) << "read without waiting for a writer";
    EXPECT_TRUE(LoginStart::Set(true, QStringLiteral("/opt/pontra/pontra")).endsWith("keine gewöhnliche Datei."));
}

} // namespace
