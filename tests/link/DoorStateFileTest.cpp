#include "files/FileRules.h"
#include "link/DoorLink.h"
#include "link/DoorMessages.h"
#include "link/DoorStateFile.h"
#include "link/LinkTexts.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sys/stat.h>
#include <unistd.h>

namespace {

using namespace std::chrono;

const DoorReset kEpoch{DoorEpoch(5, "Süd"), {{"Süd", {4, 1}}, {"Nord", {7, 3}}}};

class DoorStateFileTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        std::filesystem::remove_all(folder);
        std::filesystem::create_directories(folder);
    }
    void TearDown() override { std::filesystem::remove_all(folder); }

    const std::filesystem::path folder = std::filesystem::temp_directory_path() / "pontra-state-test";
    const std::filesystem::path file = folder / "tür.json";
    std::string problem;
};

TEST_F(DoorStateFileTest, KeepsTheNewestRecordAndSaysWhenItCannot)
{
    {
        DoorStateFile state(file, [](bool, const std::string &) { ADD_FAILURE() << "the folder is writable"; });
        for (std::int64_t in = 1; in <= 1000; ++in)
            state.Save({kEpoch, {in, in / 2}, {{"Nord", {4, 1}}, {"West", {0, 0}}}});
        EXPECT_TRUE(state.Stop());
        state.Save({kEpoch, {1, 0}, {}}); // after the stop: dropped
    }
    const DoorStateRecord last{kEpoch, {1000, 500}, {{"Nord", {4, 1}}, {"West", {0, 0}}}};
    EXPECT_EQ(DoorStateFile::Load(file, problem), last);

    std::ofstream(file) << R"({"epoch":"","in":2,"out":1,"doors":{"Nord":{"in":-1,"out":0},"":{"in":1,"out":0}}})";
    EXPECT_EQ(DoorStateFile::Load(file, problem), (DoorStateRecord{{}, {2, 1}, {}}))
        << "doors without sound totals go";
    std::ofstream(file) << "{kaputt";
    EXPECT_FALSE(DoorStateFile::Load(file, problem));
    EXPECT_FALSE(DoorStateFile::Load(folder / "nothing.json", problem));
    EXPECT_EQ(problem, "");

    std::vector<std::string> told;
    DoorStateFile blocked(folder / "missing" / "tür.json",
                          [&](bool writing, const std::string &why) { told.push_back(writing ? "" : why); });
    blocked.Save(last);
    blocked.Save(last);
    EXPECT_FALSE(blocked.Stop());
    EXPECT_EQ(told, std::vector<std::string>{"ein Ordner des Pfads fehlt"}) << "told once";
}

// Run as root, as the hostile cases need: another user's file is nobody's.
TEST_F(DoorStateFileTest, NeitherWritesAnotherUsersFileNorWaitsOnWhatIsNoRegularFile)
{
    const auto theirs = folder / "fremd.json";
    std::ofstream(theirs) << "fremd";
    ASSERT_EQ(chown(theirs.c_str(), 65534, 65534), 0);
    std::filesystem::create_symlink(theirs, file);
    std::vector<std::string> told;
    DoorStateFile state(file, [&](bool writing, const std::string &why) { told.push_back(writing ? "" : why); });
    state.Save({kEpoch, {1, 0}, {}});
    EXPECT_FALSE(state.Stop());
    EXPECT_EQ(told, std::vector<std::string>{ForeignFileProblem()});
    struct stat after {};
    ASSERT_EQ(stat(theirs.c_str(), &after), 0);
    EXPECT_EQ(after.st_uid, 65534u);
    EXPECT_EQ(std::filesystem::file_size(theirs), 5u);

    // A fifo would block the start for ever, a device fill the memory.
    std::filesystem::remove(file);
    ASSERT_EQ(mkfifo(file.c_str(), 0600), 0);
    EXPECT_FALSE(DoorStateFile::Load(file, problem));
    EXPECT_EQ(problem, NotRegularFileProblem());
    std::filesystem::remove(file);
    std::filesystem::create_symlink("/dev/zero", file);
    EXPECT_FALSE(DoorStateFile::Load(file, problem));
    EXPECT_EQ(problem, NotRegularFileProblem());
    std::filesystem::remove(file);
    std::ofstream(file) << std::string((1 << 20) + 1, ' ');
    EXPECT_FALSE(DoorStateFile::Load(file, problem));
    EXPECT_EQ(problem, TooLargeFileProblem(1 << 20));
    std::ofstream(file) << EncodeDoorState({kEpoch, {9007199254740992, 0}, {}});
    EXPECT_FALSE(DoorStateFile::Load(file, problem));
    EXPECT_EQ(problem, "sie ist beschädigt, oder ihre Zahlen liegen außerhalb des Zählbereichs (0 bis 2147483647)");
    std::ofstream(file) << EncodeDoorState({kEpoch, {1, 0}, {{"Nord", {0, 2147483648}}}});
    EXPECT_EQ(DoorStateFile::Load(file, problem), (DoorStateRecord{kEpoch, {1, 0}, {}})) << "an unsound door goes";

    // The certificates too, read by the library at the start.
    DoorLinkSettings settings;
    settings.door = "Süd";
    settings.broker = "127.0.0.1:1";
    settings.caFile = folder / "ca.pem";
    ASSERT_EQ(mkfifo(settings.caFile.c_str(), 0600), 0);
    DoorLink link({});
    EXPECT_EQ(link.Start(settings), CaFileText(settings.caFile, NotRegularFileProblem()));
}

} // namespace
