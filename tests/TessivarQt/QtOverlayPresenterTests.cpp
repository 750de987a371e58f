#include <gtest/gtest.h>
#include <QWidget>

#include "Platform/Desktop/CompositingDetector.h"
#include "Platform/Desktop/CoordinateSpace.h"
#include "Platform/Desktop/CursorImageSource.h"
#include "Platform/Qt/QtOverlayWindow.h"
#include "Tessivar/Effects/Private/EffectView.h"
#include "Tessivar/Effects/QtOverlayPresenter.h"

using tessivar::LocatingEffect;

namespace {

constexpr QRgb kOverlayRed = 0xffff0000;

struct FixedCompositing : platform::CompositingDetector {
    bool isCompositing() override { return compositing; }
    bool compositing = false;
};

// A red 12 x 12 pointer with its hot spot at the top-left.
struct RedPointer : platform::CursorImageSource {
    std::optional<platform::CursorImage> currentCursorImage() override {
        return platform::CursorImage{12, 12, {0, 0}, 1, std::vector<std::uint32_t>(144, kOverlayRed)};
    }
    std::optional<std::uint64_t> knownSerial() override { return std::nullopt; }
};

QWidget* windowOf(const platform::OverlayWindow& overlay) {
    return dynamic_cast<const platform::QtOverlayPool::Lease&>(overlay).window()->widget();
}

tessivar::EffectView* effectViewOf(const platform::OverlayWindow& overlay) {
    for (auto* child : windowOf(overlay)->findChildren<QWidget*>()) {
        if (auto* view = dynamic_cast<tessivar::EffectView*>(child)) return view;
    }
    return nullptr;
}

// Whether a compositor blends the overlay is asked for each effect: the
// compositor may come or go between two jumps. Each effect twice, so that a
// window's view is used again, and then the other kind takes its window.
TEST(QtOverlayPresenter, CutsTheOverlayToTheDrawingOnlyWithoutACompositor) {
    FixedCompositing compositing;
    RedPointer pointer;
    tessivar::QtOverlayPresenter presenter(&compositing, &pointer);
    const auto frame = platform::CoordinateSpace::centredFrame({960, 540}, {200, 200});
    for (bool composited : {false, true, false}) {
        compositing.compositing = composited;
        for (auto effect :
             {LocatingEffect::cursorScale, LocatingEffect::cursorScale, LocatingEffect::ring, LocatingEffect::ring}) {
            const auto overlay = presenter.present(frame, effect, 1, {});
            auto* view = effectViewOf(*overlay);
            ASSERT_NE(view, nullptr);
            EXPECT_EQ(view->isShapedToDrawing(), !composited);
            const QRegion shape = windowOf(*overlay)->mask();
            EXPECT_EQ(shape.isEmpty(), composited);
            if (!composited) {
                EXPECT_FALSE(shape.contains(QPoint(2, 2))) << "the square's corner is cut away";
            }
            overlay->orderOut();
        }
    }
}

}  // namespace
