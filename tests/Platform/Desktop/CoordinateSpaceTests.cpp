#include <gtest/gtest.h>

#include "Platform/Desktop/CoordinateSpace.h"

using namespace platform;
namespace cs = platform::CoordinateSpace;

namespace {

const Rect kRight{{1920, 0}, {1920, 1080}};

TEST(CoordinateSpace, GlobalAndDisplayLocalFollowTheWorkedExample) {
    EXPECT_EQ(cs::globalToLocal({2000, 100}, kRight), (Point{80, 980}));
    EXPECT_EQ(cs::localToGlobal({80, 980}, kRight), (Point{2000, 100}));
    // The centre of a display is the same point both ways.
    EXPECT_EQ(cs::localToGlobal({960, 540}, kRight), (Point{2880, 540}));
    // A display below the primary has a negative global origin.
    const Rect below{{0, -1024}, {1280, 1024}};
    EXPECT_EQ(cs::globalToLocal({10, -1}, below), (Point{10, 1}));
    EXPECT_EQ(cs::localToGlobal({10, 1}, below), (Point{10, -1}));
}

TEST(CoordinateSpace, ContainmentOwnsTheTopAndLeftEdges) {
    EXPECT_TRUE(cs::contains(kRight, {1920, 500})) << "left edge";
    EXPECT_FALSE(cs::contains(kRight, {3840, 500})) << "right edge belongs to the next display";
    EXPECT_TRUE(cs::contains(kRight, {2000, 1080})) << "top pixel row";
    EXPECT_FALSE(cs::contains(kRight, {2000, 0})) << "bottom edge belongs to the display below";
    EXPECT_TRUE(cs::contains(kRight, {2000, 0.5}));
    EXPECT_FALSE(cs::contains(kRight, {2000, 1080.5}));
}

TEST(CoordinateSpace, ContainmentGivesEveryBoundaryPointExactlyOneOwner) {
    const std::vector<Rect> stacked{{{0, 0}, {1920, 1080}}, {{0, -1080}, {1920, 1080}}, {{1920, 0}, {1920, 1080}}};
    for (const Point p : {Point{0, 0}, Point{1920, 0}, Point{1919.5, 1080}, Point{1920, 1080}, Point{100, -1080}}) {
        int owners = 0;
        for (const auto& frame : stacked) owners += cs::contains(frame, p) ? 1 : 0;
        EXPECT_LE(owners, 1) << p.x << "," << p.y;
    }
    EXPECT_TRUE(cs::contains(stacked[1], {0, 0})) << "shared line: the lower display's top row";
}

TEST(CoordinateSpace, TopLeftDesktopMirrorsAboutThePrimaryHeight) {
    const double primaryHeight = 1080;
    EXPECT_EQ(cs::topLeftToGlobal(Point{2000, 980}, primaryHeight), (Point{2000, 100}));
    EXPECT_EQ(cs::globalToTopLeft(Point{2000, 100}, primaryHeight), (Point{2000, 980}));
    // A 1280 x 1024 display left of the primary, top-aligned: global y runs 56..1080.
    const Rect leftTopLeft{{-1280, 0}, {1280, 1024}};
    const Rect leftGlobal = cs::topLeftToGlobal(leftTopLeft, primaryHeight);
    EXPECT_EQ(leftGlobal, (Rect{{-1280, 56}, {1280, 1024}}));
    EXPECT_EQ(cs::globalToTopLeft(leftGlobal, primaryHeight), leftTopLeft);
    // A display stacked below the primary in the top-left desktop lies at negative global y.
    EXPECT_EQ(cs::topLeftToGlobal(Rect{{0, 1080}, {1920, 1080}}, primaryHeight), (Rect{{0, -1080}, {1920, 1080}}));
}

TEST(CoordinateSpace, LocalPointsAndCentredFrames) {
    EXPECT_EQ(cs::localToTopLeft({80, 100}, {1920, 0}), (Point{2000, 100}));
    EXPECT_EQ(cs::localToTopLeft({10, 10}, {-1280, 0}), (Point{-1270, 10}));
    EXPECT_EQ(cs::centredFrame({2880, 540}, {200, 200}), (Rect{{2780, 440}, {200, 200}}));
}

}  // namespace

namespace {

// A display at twice the density keeps its top-left corner in both spaces;
// only the distance from that corner doubles.
TEST(CoordinateSpace, NativePixelsScaleAboutTheDisplaysCorner) {
    struct Case {
        Point topLeft;
        Point origin;
        double ratio;
        Point native;
    };
    const Case cases[] = {
        {{2880, 540}, {1920, 0}, 1, {2880, 540}},
        {{2880, 540}, {1920, 0}, 2, {3840, 1080}},
        {{-640, 512}, {-1280, 0}, 1.5, {-320, 768}},
        {{1920, 0}, {1920, 0}, 2, {1920, 0}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(cs::topLeftToNative(c.topLeft, c.origin, c.ratio), c.native) << c.topLeft.x << "," << c.ratio;
        EXPECT_EQ(cs::nativeToTopLeft(c.native, c.origin, c.ratio), c.topLeft) << c.native.x << "," << c.ratio;
    }
}

}  // namespace
