#include <gtest/gtest.h>

#include "ZeraZov/Integrations/Replay/Private/RRWireframe.h"

namespace zerazov {
namespace {

// A recorder builds trees of these and hands copies around; a copy must own its
// children, never share them with the tree it came from.
TEST(RecordingTypesTest, WireframeTreesCopyDeeply) {
    RRWireframe child;
    child.id = 2;
    child.style.emplace().fontSize = 13;
    child.value = nlohmann::json{{"selected", 1}};
    RRWireframe root;
    root.id = 1;
    root.childWireframes = std::vector<RRWireframe>{child};

    RRWireframe copy = root;
    copy.childWireframes->front().style->fontSize = 20;
    copy.childWireframes->front().value = nlohmann::json("changed");

    EXPECT_EQ(root.childWireframes->front().style->fontSize, 13);
    EXPECT_EQ(root.childWireframes->front().value, (nlohmann::json{{"selected", 1}}));
    EXPECT_FALSE(root.style.has_value());
    EXPECT_FALSE(root.parentId.has_value());
}

TEST(RecordingTypesTest, NewSnapshotStatusHasSentNothing) {
    const ViewTreeSnapshotStatus status;
    EXPECT_FALSE(status.sentFullSnapshot || status.sentMetaEvent || status.keyboardVisible || status.lastSnapshot);
}

}  // namespace
}  // namespace zerazov
