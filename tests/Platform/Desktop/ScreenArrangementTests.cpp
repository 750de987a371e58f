#include "Platform/Desktop/ScreenArrangement.h"

#include <gtest/gtest.h>

namespace platform {
namespace {

ScreenCandidate at(const char* connector, double x, double y, bool primary = false) {
    return {connector, {{x, y}, {1920, 1080}}, primary};
}

TEST(ScreenArrangement, NumbersThePrimaryFirstThenTheServersOrderAndDropsMirrors) {
    struct Case {
        const char* what;
        std::vector<ScreenCandidate> candidates;
        std::vector<std::string> outputOrder;
        std::vector<std::size_t> expected;
    };
    const std::vector<Case> cases = {
        {"a re-plugged output Qt appended goes back to its place",
         {at("A", 0, 0, true), at("C", 3840, 0), at("B", 1920, 0)},
         {"A", "B", "C"},
         {0, 2, 1}},
        {"a new primary is first, the rest keep the server's order",
         {at("A", 0, 0), at("C", 3840, 0, true), at("B", 1920, 0)},
         {"C", "A", "B"},
         {1, 0, 2}},
        {"the primary leads even where the order omits it", {at("A", 0, 0), at("B", 1920, 0, true)}, {"A"}, {1, 0}},
        {"without an order: primary first, then the toolkit's order",
         {at("B", 1920, 0), at("C", 3840, 0), at("A", 0, 0, true)},
         {},
         {2, 0, 1}},
        {"names the order lacks follow in the toolkit's order",
         {at("X", 5760, 0), at("B", 1920, 0), at("A", 0, 0, true), at("W", 3840, 0)},
         {"A", "B"},
         {2, 1, 0, 3}},
        {"a mirror of the primary is dropped, whichever comes first in the order",
         {at("M", 0, 0), at("A", 0, 0, true), at("B", 1920, 0)},
         {"M", "A", "B"},
         {1, 2}},
        {"a mirror pair elsewhere keeps the output listed first",
         {at("A", 0, 0, true), at("D", 1920, 0), at("B", 1920, 0)},
         {"A", "B", "D"},
         {0, 2}},
        {"no screens", {}, {"A"}, {}},
    };
    for (const auto& c : cases) EXPECT_EQ(arrangeScreens(c.candidates, c.outputOrder), c.expected) << c.what;
}

}  // namespace
}  // namespace platform
