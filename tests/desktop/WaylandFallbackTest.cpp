#include "desktop/WaylandFallback.h"

#include <gtest/gtest.h>

TEST(WaylandFallback, XWaylandOnlyUnderWaylandWithAnXDisplayAndNoPlatformAskedFor)
{
    EXPECT_TRUE(ShouldRunOnXWayland({}, true, true, false));
    EXPECT_FALSE(ShouldRunOnXWayland({}, false, true, false)); // X11 session
    EXPECT_FALSE(ShouldRunOnXWayland({}, true, false, false)); // no XWayland
    EXPECT_FALSE(ShouldRunOnXWayland({}, true, true, true));   // QT_QPA_PLATFORM
    EXPECT_FALSE(ShouldRunOnXWayland({"-platform", "wayland"}, true, true, false));
    EXPECT_FALSE(ShouldRunOnXWayland({"--platform=offscreen"}, true, true, false));
    EXPECT_TRUE(ShouldRunOnXWayland({"--export-csv"}, true, true, false));
}
