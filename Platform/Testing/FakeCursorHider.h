#pragma once
#include <string>
#include <vector>

#include "Platform/Desktop/CursorHider.h"

namespace platform {

// Counts like every hider and keeps a readable log of the calls and of the
// moments the pointer really changed state.
class FakeCursorHider : public CountingCursorHider {
public:
    void hideCursor(DisplayID display) override {
        calls.push_back("hide " + std::to_string(display));
        CountingCursorHider::hideCursor(display);
    }
    void showCursor(DisplayID display) override {
        calls.push_back("show " + std::to_string(display));
        CountingCursorHider::showCursor(display);
    }
    void hideApplicationCursor() override {
        calls.push_back("hideApp");
        CountingCursorHider::hideApplicationCursor();
    }
    void unhideApplicationCursor() override {
        calls.push_back("unhideApp");
        CountingCursorHider::unhideApplicationCursor();
    }

    // "hide 7", "show 7", "hideApp", "unhideApp".
    std::vector<std::string> calls;
    int timesHidden = 0;  // visible -> hidden transitions
    int timesShown = 0;   // hidden -> visible transitions

protected:
    void applyHidden(bool hidden) override { ++(hidden ? timesHidden : timesShown); }
};

}  // namespace platform
