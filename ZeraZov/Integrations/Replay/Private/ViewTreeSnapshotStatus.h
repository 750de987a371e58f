#pragma once

namespace zerazov {

// What a screen recorder has sent so far for one view tree.
struct ViewTreeSnapshotStatus {
    bool sentFullSnapshot = false;
    bool sentMetaEvent = false;
    bool keyboardVisible = false;
    bool lastSnapshot = false;
};

}  // namespace zerazov
