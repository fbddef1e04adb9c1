#include "files/AccountHome.h"
#include "files/FileRules.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;

// Run as root, as the hostile cases need: another user's files are nobody's.
constexpr uid_t kNobody = 65534;

class FileRulesTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "pontra-files-XXXXXX").string();
        own = fs::canonical(mkdtemp(pattern.data()));
        foreign = own / "fremd";
        fs::create_directory(foreign);
        Write(foreign / "datei", "fremd");
        ASSERT_EQ(chown(foreign.c_str(), kNobody, kNobody), 0);
        ASSERT_EQ(chown((foreign / "datei").c_str(), kNobody, kNobody), 0);
    }
    void TearDown() override { fs::remove_all(own); }

    static void Write(const fs::path &file, const std::string &bytes) { std::ofstream(file) << bytes; }

    fs::path own;
    fs::path foreign;
};

TEST_F(FileRulesTest, WritesOnlyTheUsersRegularFilesInTheUsersFolders)
{
    Write(own / "eigen", "x");
    fs::create_symlink(own / "eigen", own / "zu-eigen");
    EXPECT_EQ(PlaceToWrite(own / "zu-eigen").path, own / "eigen") << "a link to the user's own file is followed";
    EXPECT_TRUE(PlaceToWrite(own / "neu").problem.empty());
    EXPECT_FALSE(PlaceToWrite(own / "neu").exists);

    fs::create_symlink(foreign / "datei", own / "zu-fremd");
    fs::create_symlink(foreign / "neu.db", own / "ins-leere");
    fs::create_directory_symlink(foreign, own / "ordner");
    Write(own / "eigen-fremd", "x");
    ASSERT_EQ(chown((own / "eigen-fremd").c_str(), kNobody, kNobody), 0);
    mkfifo((own / "fifo").c_str(), 0600);
    const std::pair<fs::path, std::string> refused[] = {
        {own / "zu-fremd", ForeignFileProblem()},
        {own / "eigen-fremd", ForeignFileProblem()},
        {own / "ordner" / "neu", ForeignFolderProblem()},
        {own / "ins-leere", NotRegularFileProblem()},
        {own / "fifo", NotRegularFileProblem()},
        {"/dev/null", NotRegularFileProblem()},
    };
    for (const auto &[file, problem] : refused) {
        const FilePlace place = PlaceToWrite(file);
        EXPECT_EQ(place.problem, problem) << file;
        EXPECT_TRUE(place.path.empty()) << file;
    }
    EXPECT_EQ(PlaceToWrite(own / "zu-eigen", LinkInPlace::Refuse).problem, NotRegularFileProblem());
    EXPECT_EQ(FileSentence(ForeignFolderProblem()), "Ihr Ordner gehört einem anderen Benutzer.");
}

TEST(HomeFolder, IsTheAccountsWithoutHome)
{
    const char *was = std::getenv("HOME");
    const std::string saved = was ? was : "";
    unsetenv("HOME");
    const fs::path home = HomeFolder();
    if (was)
        setenv("HOME", saved.c_str(), 1);
    EXPECT_EQ(home, fs::path(getpwuid(geteuid())->pw_dir));
}

} // namespace
