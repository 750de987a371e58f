// The compositing detector and the pointer-picture source on a test X server,
// checked against a real compositing manager (xcompmgr) and pointers another
// client sets.
#include <gtest/gtest.h>

#include <algorithm>

#include "Platform/X11/X11CompositingDetector.h"
#include "Platform/X11/X11CursorImageSource.h"
#include "tests/support/ChildProcess.h"
#include "tests/support/WaitUntil.h"
#include "tests/support/X11Observer.h"
#include "tests/support/X11Requirement.h"
#include "tests/support/X11ScreenProbe.h"
#include "tests/support/XorgDummyServer.h"

namespace tessivar::testing {
namespace {

using namespace std::chrono_literals;

TEST(X11CompositingDetectorTest, SeesACompositingManagerComeAndGo) {
    if (ChildProcess::findProgram("xcompmgr").empty()) GTEST_FAIL() << "xcompmgr is not installed";
    XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}})) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    const char* display = server.displayName().c_str();
    platform::X11CompositingDetector detector(display);
    EXPECT_FALSE(detector.isCompositing());
    {
        ChildProcess compositor({"xcompmgr"}, {.environment = {std::string("DISPLAY=") + display}});
        ASSERT_TRUE(compositor.started()) << compositor.failure();
        EXPECT_TRUE(waitUntil([&] { return detector.isCompositing(); }, 5s));
        compositor.terminate(2000ms);
    }
    EXPECT_TRUE(waitUntil([&] { return !detector.isCompositing(); }, 5s));
}

// Pointers of one colour whose hot spots sit in different places; each change
// of pointer is announced with the serial the picture then carries.
TEST(X11CursorImageSourceTest, ReadsThePointerPictureWithItsHotSpotAndANewSerialForEachPointer) {
    XorgDummyServer server;
    if (auto error = server.start({{1920, 1080, 0, 0}})) TESSIVAR_SKIP_OR_FAIL_WITHOUT_X11(*error);
    const char* display = server.displayName().c_str();
    X11ScreenProbe probe(display);
    ASSERT_TRUE(X11Observer(display).warpPointer({500, 400}));
    platform::X11CursorImageSource source(display);
    // Changes are followed from the connection on.
    ASSERT_TRUE(source.connect());
    std::optional<std::uint64_t> previousSerial;
    for (const SolidCursor& pointer : {SolidCursor{16, 24, 0, 0, 0xff0000}, SolidCursor{10, 6, 9, 5, 0x00ff00},
                                       SolidCursor{16, 24, 0, 0, 0xff0000}}) {
        ASSERT_TRUE(probe.setRootCursor(pointer));
        // The server announces the new picture's serial before anyone reads the picture.
        EXPECT_TRUE(
            waitUntil([&] { return source.knownSerial().has_value() && source.knownSerial() != previousSerial; }, 5s));
        const auto announced = source.knownSerial();
        const auto image = source.currentCursorImage();
        ASSERT_TRUE(image.has_value());
        EXPECT_EQ(image->width, pointer.width);
        EXPECT_EQ(image->height, pointer.height);
        EXPECT_EQ(image->hotSpot,
                  (platform::Point{static_cast<double>(pointer.hotX), static_cast<double>(pointer.hotY)}));
        ASSERT_EQ(image->pixels.size(), static_cast<std::size_t>(pointer.width * pointer.height));
        const std::uint32_t opaque = 0xff000000u | pointer.rgb;
        EXPECT_TRUE(std::all_of(image->pixels.begin(), image->pixels.end(), [&](auto p) { return p == opaque; }));
        EXPECT_EQ(image->serial, announced);
        if (previousSerial) {
            EXPECT_NE(image->serial, *previousSerial);
        }
        previousSerial = image->serial;
    }
}

TEST(X11DesktopPictureWithoutServerTest, NoCompositorAndNoPicture) {
    EXPECT_FALSE(platform::X11CompositingDetector(":1999").isCompositing());
    EXPECT_FALSE(platform::X11CursorImageSource(":1999").currentCursorImage().has_value());
    EXPECT_FALSE(platform::X11CursorImageSource(":1999").knownSerial().has_value());
}

}  // namespace
}  // namespace tessivar::testing
