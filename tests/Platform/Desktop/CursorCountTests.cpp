#include <gtest/gtest.h>

#include "Platform/Desktop/ScreenArrangement.h"
#include "Platform/Testing/FakeCursorHider.h"

namespace {

TEST(CursorCount, HiddenUntilEveryHideIsMatched) {
    platform::FakeCursorHider hider;
    hider.hideCursor(1);
    hider.hideCursor(2);
    hider.hideApplicationCursor();
    EXPECT_EQ(hider.timesHidden, 1);
    hider.showCursor(1);
    hider.showCursor(2);
    EXPECT_TRUE(hider.isHidden());
    hider.unhideApplicationCursor();
    EXPECT_FALSE(hider.isHidden());
    EXPECT_EQ(hider.timesShown, 1);
}

TEST(CursorCount, ExtraShowsCannotBankAgainstTheNextHide) {
    platform::FakeCursorHider hider;
    hider.showCursor(1);
    hider.unhideApplicationCursor();
    EXPECT_EQ(hider.hideCount(), 0);
    hider.hideCursor(1);
    EXPECT_TRUE(hider.isHidden()) << "a show at zero must not cancel a later hide";
    EXPECT_EQ(hider.timesShown, 0);
}

TEST(DisplayIdentity, StablePerConnectorAndNeverZero) {
    EXPECT_EQ(platform::displayIDForConnector("DUMMY0"), platform::displayIDForConnector("DUMMY0"));
    EXPECT_NE(platform::displayIDForConnector("DUMMY0"), platform::displayIDForConnector("DUMMY1"));
    EXPECT_NE(platform::displayIDForConnector(""), 0u);
    EXPECT_EQ(platform::displayIDForConnector("a"), 0xe40c292cu) << "FNV-1a of \"a\"";
}

}  // namespace
