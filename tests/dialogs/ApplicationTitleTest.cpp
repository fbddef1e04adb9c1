#include "dialogs/ApplicationTitle.h"
#include "support/Printers.h"

#include <gtest/gtest.h>

TEST(ApplicationTitle, CutsAtTheFirstDotAndLowersAllButTheFirstLetter)
{
    EXPECT_EQ(ApplicationTitle("/usr/local/bin/pontra"), "pontra");
    EXPECT_EQ(ApplicationTitle("C:/Programme/PONTRA.EXE"), "Pontra");
    EXPECT_EQ(ApplicationTitle("/opt/HallCounter.v2.final.exe"), "Hallcounter");
    EXPECT_EQ(ApplicationTitle("/opt/my.dir/eNTRY"), "entry");
    EXPECT_EQ(ApplicationTitle("/opt/ÄRGER.bin"), "Ärger");
    EXPECT_EQ(ApplicationTitle("/opt/.hidden"), "");
}

TEST(NoticeTitle, IsTheTitleWithACapitalFirstLetter)
{
    EXPECT_EQ(NoticeTitle("/usr/bin/pontra"), "Pontra");
    EXPECT_EQ(NoticeTitle("C:/Programme/PONTRA.EXE"), "Pontra");
    EXPECT_EQ(NoticeTitle("/opt/ärger.v2"), "Ärger");
    EXPECT_EQ(NoticeTitle("/opt/.hidden"), "");
}
