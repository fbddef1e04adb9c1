#include "desktop/LoginStart.h"
#include "journal/JournalTestSupport.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <fstream>
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

// A field code is a percent sign in an Exec line; one in a folder's name is
// doubled, and env starts the program, which GLib could not find by that name.
TEST_F(LoginStartTest, ThePercentSignOfAFolderIsEscapedInExec)
{
    // A stand-in program that says it ran.
    const fs::path program = folder.Path() / "Halle_100%" / "pontra";
    const fs::path ran = folder.Path() / "ran";
    fs::create_directories(program.parent_path());
    std::ofstream(program) << "#!/bin/sh\ntouch '" << ran.string() << "'\n";
    fs::permissions(program, fs::perms::owner_all);
    ASSERT_EQ(LoginStart::Set(true, QString::fromStdString(program.string())), QString());
    QFile written(QString::fromStdString(entry.string()));
    ASSERT_TRUE(written.open(QIODevice::ReadOnly));
    const QByteArray content = written.readAll();
    const std::string exec = "\nExec=env " + folder.Path().string() + "/Halle_100%%/pontra\n";
    EXPECT_TRUE(content.contains(QByteArray::fromStdString(exec))) << content.toStdString();
    EXPECT_TRUE(LoginStart::Enabled());
    if (const QString validator = QStandardPaths::findExecutable("desktop-file-validate"); !validator.isEmpty()) {
        QProcess validate;
        validate.start(validator, {written.fileName()});
        ASSERT_TRUE(validate.waitForFinished(60000));
        EXPECT_EQ(validate.exitCode(), 0) << validate.readAllStandardOutput().toStdString();
    }
    // As the desktop starts it at login.
    if (const QString gio = QStandardPaths::findExecutable("gio"); !gio.isEmpty()) {
        QProcess launch;
        launch.start(gio, {"launch", written.fileName()});
        ASSERT_TRUE(launch.waitForFinished(60000));
        EXPECT_EQ(launch.exitCode(), 0) << launch.readAllStandardError().toStdString();
        EXPECT_TRUE(WaitFor([&] { return fs::exists(ran); }));
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
