#include <gtest/gtest.h>

#include "Platform/Desktop/CursorImageSource.h"
#include "Tessivar/Effects/EnlargedCursor.h"
#include "Tessivar/Effects/Private/ArrowCursorImage.h"

using tessivar::EnlargedCursor;
using tessivar::EnlargedCursorCache;

namespace {

platform::CursorImage pointer(std::uint64_t serial, int width = 16, int height = 24) {
    return {width,
            height,
            {4, 6},
            serial,
            std::vector<std::uint32_t>(static_cast<std::size_t>(width * height), 0xff00ff00)};
}

struct FakeCursorImageSource : platform::CursorImageSource {
    std::optional<platform::CursorImage> currentCursorImage() override {
        ++reads;
        return picture;
    }
    std::optional<std::uint64_t> knownSerial() override { return announced; }
    std::optional<platform::CursorImage> picture;
    std::optional<std::uint64_t> announced;  // what the window system last said of the picture
    int reads = 0;
};

// Device pixels become points at the display's backing scale; the picture is
// drawn three times larger in device pixels.
TEST(EnlargedCursor, MeasuresThePointerInPointsOfTheDisplay) {
    struct Case {
        double scale;
        platform::Size size;
        platform::Point hotSpot;
    } cases[] = {{1, {16, 24}, {4, 6}}, {2, {8, 12}, {2, 3}}, {1.5, {16 / 1.5, 16}, {4 / 1.5, 4}}};
    for (const auto& c : cases) {
        const auto enlarged = EnlargedCursor::fromCursorImage(pointer(1), c.scale);
        EXPECT_EQ(enlarged.size, c.size) << c.scale;
        EXPECT_EQ(enlarged.hotSpot, c.hotSpot) << c.scale;
        EXPECT_EQ(enlarged.image.size(), QSize(48, 72)) << c.scale;
        EXPECT_EQ(enlarged.image.deviceIndependentSize(),
                  QSizeF(c.size.width * EnlargedCursor::kEnlargement, c.size.height * EnlargedCursor::kEnlargement));
        EXPECT_EQ(enlarged.image.pixel(24, 36), 0xff00ff00);
    }
}

TEST(EnlargedCursorCache, EnlargesEachPictureOncePerBackingScale) {
    FakeCursorImageSource source;
    EnlargedCursorCache cache(&source);
    source.picture = pointer(1);
    source.announced = 1;

    const auto first = cache.current(1).image.cacheKey();
    EXPECT_EQ(cache.current(1).image.cacheKey(), first) << "same picture, same scale";
    const auto doubled = cache.current(2);
    EXPECT_NE(doubled.image.cacheKey(), first);
    EXPECT_EQ(doubled.image.devicePixelRatio(), 2);
    EXPECT_EQ(cache.current(1).image.cacheKey(), first) << "each scale keeps its own";
    EXPECT_EQ(source.reads, 2) << "a picture announced unchanged is not read again";

    source.picture = pointer(2, 10, 10);
    source.announced = 2;
    const auto changed = cache.current(1);
    EXPECT_NE(changed.image.cacheKey(), first) << "a new pointer";
    EXPECT_EQ(changed.size, (platform::Size{10, 10}));
    EXPECT_EQ(source.reads, 3);

    source.announced.reset();
    EXPECT_EQ(cache.current(1).image.cacheKey(), changed.image.cacheKey());
    EXPECT_EQ(source.reads, 4) << "without an announcement the picture is read";
}

// Without a source, without a picture, or with one short of pixels or of size.
TEST(EnlargedCursorCache, FallsBackToTheDrawnArrow) {
    FakeCursorImageSource silent;
    FakeCursorImageSource broken;
    broken.picture = pointer(3);
    broken.picture->pixels.resize(10);
    FakeCursorImageSource empty;
    empty.picture = pointer(4, 0, 24);
    EnlargedCursorCache withoutSource(nullptr);
    EnlargedCursorCache withSilentSource(&silent);
    EnlargedCursorCache withBrokenSource(&broken);
    EnlargedCursorCache withEmptySource(&empty);
    for (auto* cache : {&withoutSource, &withSilentSource, &withBrokenSource, &withEmptySource}) {
        const auto arrow = cache->current(2);
        EXPECT_EQ(arrow.size, tessivar::ArrowCursorImage::size());
        EXPECT_EQ(arrow.hotSpot, tessivar::ArrowCursorImage::hotSpot());
        EXPECT_EQ(arrow.image.size(), tessivar::ArrowCursorImage::bitmapPixels(EnlargedCursor::kEnlargement, 2));
    }
    broken.picture = pointer(3);
    EXPECT_EQ(withBrokenSource.current(2).size, (platform::Size{8, 12})) << "the picture once it is whole";
}

}  // namespace
