// The lock-free list of the signal chain, as a reader inside a signal
// handler sees it while another thread changes it.
#include <gtest/gtest.h>

#include <vector>

#include "CrashReporter/Signals/Private/zzcrash_signal_list.h"

namespace {

using List = zzcrash_signal_list<int>;

std::vector<int> entries(List& list) {
    std::vector<int> seen;
    list.mark_reading(true);
    for (auto* node = list.first(); node; node = List::next(node)) seen.push_back(node->entry);
    list.mark_reading(false);
    return seen;
}

TEST(SignalList, AppendsAtTheTailAndPrependsAtTheHead) {
    List list;
    EXPECT_EQ(entries(list), std::vector<int>{});
    list.append(2);
    list.prepend(1);
    list.append(3);
    list.prepend(0);
    EXPECT_EQ(entries(list), (std::vector<int>{0, 1, 2, 3}));
    list.remove_all();
    EXPECT_EQ(entries(list), std::vector<int>{});
    list.prepend(5);
    list.append(6);
    EXPECT_EQ(entries(list), (std::vector<int>{5, 6}));
    list.remove_all();
}

// A node removed while a reader walks is kept, and the reader standing on it
// walks on; it is used again by the next insertion.
TEST(SignalList, ANodeRemovedDuringAWalkIsKeptForTheReader) {
    List list;
    list.append(1);
    list.append(2);
    list.mark_reading(true);
    auto* standing = list.first();
    list.remove_all();
    EXPECT_EQ(list.first(), nullptr);
    EXPECT_EQ(standing->entry, 1);
    ASSERT_NE(List::next(standing), nullptr);
    EXPECT_EQ(List::next(standing)->entry, 2);
    list.mark_reading(false);
    list.append(7);
    EXPECT_TRUE(list.first() == standing || list.first() == List::next(standing));
    EXPECT_EQ(entries(list), std::vector<int>{7});
    list.remove_all();
}

// Counts the entries alive, the copies in the list's nodes included.
struct Counted {
    static inline int alive = 0;
    int value = 0;

    Counted() { ++alive; }
    explicit Counted(int v) : value(v) { ++alive; }
    Counted(const Counted& other) : value(other.value) { ++alive; }
    Counted& operator=(const Counted&) = default;
    ~Counted() { --alive; }
};

// What the exit frees: every node, parked ones too, but never one a reader
// may still stand on.
TEST(SignalList, ReleasingFreesEveryNodeUnlessAReaderWalks) {
    zzcrash_signal_list<Counted> list;
    list.append(Counted(1));
    list.append(Counted(2));
    list.mark_reading(true);
    list.remove_all();
    list.release_all();
    EXPECT_EQ(Counted::alive, 2);
    list.mark_reading(false);
    list.append(Counted(3));
    list.release_all();
    EXPECT_EQ(Counted::alive, 0);
    EXPECT_EQ(list.first(), nullptr);
}

}  // namespace
