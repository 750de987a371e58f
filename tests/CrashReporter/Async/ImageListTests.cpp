#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/zzcrash_async_image_list.h"
#include "tests/CrashReporter/Support/GuardedPages.h"

namespace {

using Node = zzcrash_async_image_list_node;
constexpr std::uint32_t imageMagic = 0x4D495A5A;
constexpr std::uint64_t imageSpan = 0x1000;

// A made-up image format: a header of {magic, text size}, read from memory
// with the checked copy as a real format reads its header.
struct Header {
    std::uint32_t magic;
    std::uint32_t textSize;
};

struct TestImage {
    zzcrash_async_image image;
    char name[16];
    std::uint32_t magic;
};

std::atomic<int> releasedImages{0};

zzcrash_error_t initTestImage(zzcrash_async_image* image, zzcrash_task_t task, const char* name,
                              std::uint64_t headerAddress) {
    Header header{};
    const zzcrash_error_t error = zzcrash_async_task_copy(task, headerAddress, 0, &header, sizeof header);
    if (error != ZZCRASH_ESUCCESS) return error;
    if (header.magic != imageMagic) return ZZCRASH_EINVALID_DATA;
    auto* record = reinterpret_cast<TestImage*>(image);
    record->image.header_address = headerAddress;
    record->image.text_size = header.textSize;
    std::strncpy(record->name, name, sizeof record->name - 1);
    record->magic = imageMagic;
    return ZZCRASH_ESUCCESS;
}

void freeTestImage(zzcrash_async_image*) { releasedImages.fetch_add(1); }

const zzcrash_async_image_format testFormat{sizeof(TestImage), initTestImage, freeTestImage};

// Headers of many images, one per 4 KiB, each spanning its 4 KiB.
class Headers {
public:
    explicit Headers(std::size_t count) : count_(count) {
        base_ = static_cast<unsigned char*>(
            mmap(nullptr, count * imageSpan, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0));
        for (std::size_t i = 0; i < count; ++i) {
            const Header header{imageMagic, static_cast<std::uint32_t>(imageSpan)};
            std::memcpy(base_ + i * imageSpan, &header, sizeof header);
        }
    }
    ~Headers() { munmap(base_, count_ * imageSpan); }
    std::uint64_t at(std::size_t i) const { return reinterpret_cast<std::uint64_t>(base_ + i * imageSpan); }
    void spoil(std::size_t i) { base_[i * imageSpan] ^= 0xFF; }

private:
    std::size_t count_;
    unsigned char* base_;
};

class ImageList : public ::testing::Test {
protected:
    ImageList() { zzcrash_async_image_list_init(&list_, ZZCRASH_TASK_SELF, &testFormat); }
    ~ImageList() override {
        if (list_.shared) zzcrash_async_image_list_free(&list_);
    }

    // The names in list order, as a reader walks them.
    std::string names() {
        std::string walked;
        zzcrash_async_image_list_mark_reading(&list_, true);
        for (auto* image = zzcrash_async_image_list_next(&list_, nullptr); image;
             image = zzcrash_async_image_list_next(&list_, image))
            walked += reinterpret_cast<TestImage*>(image)->name + std::string(" ");
        zzcrash_async_image_list_mark_reading(&list_, false);
        return walked;
    }

    std::string nameContaining(std::uint64_t address) {
        const auto* image = zzcrash_async_image_containing_address(&list_, address);
        return image ? reinterpret_cast<const TestImage*>(image)->name : "none";
    }

    zzcrash_async_image_list list_{};
};

TEST_F(ImageList, AppendsInOrderFindsByAddressAndRemoves) {
    EXPECT_EQ(zzcrash_async_image_list_next(&list_, nullptr), nullptr);
    EXPECT_EQ(nameContaining(0x1000), "none");
    Headers headers(4);
    ASSERT_EQ(zzcrash_async_image_list_append(&list_, headers.at(0), "a"), ZZCRASH_ESUCCESS);
    ASSERT_EQ(zzcrash_async_image_list_append(&list_, headers.at(1), "b"), ZZCRASH_ESUCCESS);
    ASSERT_EQ(zzcrash_async_image_list_append(&list_, headers.at(2), "c"), ZZCRASH_ESUCCESS);
    headers.spoil(3);
    tessivar::testing::GuardedPages pages;
    EXPECT_EQ(zzcrash_async_image_list_append(&list_, headers.at(3), "spoiled"), ZZCRASH_EINVALID_DATA);
    EXPECT_EQ(zzcrash_async_image_list_append(&list_, pages.unmapped(), "gone"), ZZCRASH_ENOTFOUND);
    EXPECT_EQ(names(), "a b c ");
    EXPECT_EQ(nameContaining(headers.at(1)), "b");
    EXPECT_EQ(nameContaining(headers.at(1) + imageSpan - 1), "b");
    EXPECT_EQ(nameContaining(headers.at(2) + imageSpan), "none");
    EXPECT_EQ(nameContaining(headers.at(0) - 1), "none");

    zzcrash_async_image_list_remove(&list_, headers.at(1));
    zzcrash_async_image_list_remove(&list_, headers.at(1));
    zzcrash_async_image_list_remove(&list_, 0x42);
    EXPECT_EQ(names(), "a c ");
    EXPECT_EQ(nameContaining(headers.at(1)), "none");
    zzcrash_async_image_list_remove(&list_, headers.at(2));
    zzcrash_async_image_list_remove(&list_, headers.at(0));
    EXPECT_EQ(names(), "");
    EXPECT_EQ(list_.shared->tail, nullptr);
    ASSERT_EQ(zzcrash_async_image_list_append(&list_, headers.at(2), "c2"), ZZCRASH_ESUCCESS);
    EXPECT_EQ(names(), "c2 ");

    releasedImages = 0;
    zzcrash_async_image_list_free(&list_);
    EXPECT_EQ(releasedImages.load(), 1);
}

// A node unlinked while a reader walks is parked: the reader standing on it
// goes on into the list, and the next append takes the parked node again.
TEST_F(ImageList, ParksANodeRemovedWhileSomeoneReads) {
    Headers headers(4);
    for (std::size_t i = 0; i < 3; ++i)
        ASSERT_EQ(zzcrash_async_image_list_append(&list_, headers.at(i), std::to_string(i).c_str()), ZZCRASH_ESUCCESS);
    zzcrash_async_image_list_mark_reading(&list_, true);
    zzcrash_async_image* standing =
        zzcrash_async_image_list_next(&list_, zzcrash_async_image_list_next(&list_, nullptr));
    Node* parked = standing->node;
    zzcrash_async_image_list_remove(&list_, headers.at(1));
    EXPECT_EQ(list_.shared->free_list, parked);
    auto* after = zzcrash_async_image_list_next(&list_, standing);
    ASSERT_NE(after, nullptr);
    EXPECT_EQ(after->header_address, headers.at(2));
    zzcrash_async_image_list_mark_reading(&list_, false);
    EXPECT_EQ(names(), "0 2 ");

    ASSERT_EQ(zzcrash_async_image_list_append(&list_, headers.at(3), "3"), ZZCRASH_ESUCCESS);
    EXPECT_EQ(list_.shared->free_list, nullptr);
    EXPECT_EQ(zzcrash_async_image_containing_address(&list_, headers.at(3))->node, parked);
    EXPECT_EQ(names(), "0 2 3 ");
}

// The links writers keep: forward and backward agree, the tail is the last
// node, and no node is both listed and parked, or parked twice.
std::string linkFaults(const zzcrash_async_image_list_shared* shared) {
    std::set<const Node*> seen;
    const Node* previous = nullptr;
    for (const Node* node = shared->head.load(); node; node = node->next.load()) {
        if (!seen.insert(node).second) return "a cycle in the list";
        if (node->prev != previous) return "a backward link that does not match";
        previous = node;
    }
    if (shared->tail != previous) return "a tail that is not the last node";
    for (const Node* node = shared->free_list; node; node = node->parked_next) {
        if (!seen.insert(node).second) return "a parked node listed or parked twice";
    }
    return "";
}

// Appends, removals and lock-free walks at once, in rounds. Two threads
// remove the same images at the same time: each image must be unlinked once.
// Readers must always find complete images and reach the end of the list.
TEST_F(ImageList, StaysWholeUnderConcurrentAppendsRemovalsAndWalks) {
    constexpr std::size_t perRound = 64;
    constexpr int rounds = 50;
    Headers headers(2 * perRound);
    std::atomic<bool> stop{false};
    std::atomic<long> badImages{0};
    std::atomic<long> endlessWalks{0};
    std::atomic<long> walks{0};
    auto walker = [&] {
        while (!stop.load()) {
            zzcrash_async_image_list_mark_reading(&list_, true);
            int steps = 0;
            for (auto* image = zzcrash_async_image_list_next(&list_, nullptr); image;
                 image = zzcrash_async_image_list_next(&list_, image)) {
                if (reinterpret_cast<TestImage*>(image)->magic != imageMagic) badImages.fetch_add(1);
                if (++steps > 4 * static_cast<int>(perRound)) {
                    endlessWalks.fetch_add(1);
                    break;
                }
            }
            zzcrash_async_image_containing_address(&list_, headers.at(perRound - 1));
            zzcrash_async_image_list_mark_reading(&list_, false);
            walks.fetch_add(1);
        }
    };
    std::vector<std::thread> walkers;
    for (int i = 0; i < 2; ++i) walkers.emplace_back(walker);
    for (int round = 0; round < rounds; ++round) {
        for (std::size_t i = 0; i < perRound; ++i) zzcrash_async_image_list_append(&list_, headers.at(i), "old");
        auto remover = [&] {
            for (std::size_t i = 0; i < perRound; ++i) zzcrash_async_image_list_remove(&list_, headers.at(i));
        };
        std::thread first(remover);
        std::thread second(remover);
        std::thread appender([&] {
            for (std::size_t i = perRound; i < 2 * perRound; ++i)
                zzcrash_async_image_list_append(&list_, headers.at(i), "new");
        });
        first.join();
        second.join();
        appender.join();
        ASSERT_EQ(linkFaults(list_.shared), "") << "round " << round;
        std::size_t listed = 0;
        for (auto* image = zzcrash_async_image_list_next(&list_, nullptr); image;
             image = zzcrash_async_image_list_next(&list_, image)) {
            EXPECT_GE(image->header_address, headers.at(perRound));
            ++listed;
        }
        ASSERT_EQ(listed, perRound) << "round " << round;
        for (std::size_t i = perRound; i < 2 * perRound; ++i) zzcrash_async_image_list_remove(&list_, headers.at(i));
    }
    stop = true;
    for (auto& thread : walkers) thread.join();
    EXPECT_EQ(badImages.load(), 0);
    EXPECT_EQ(endlessWalks.load(), 0);
    EXPECT_GT(walks.load(), 0);
    EXPECT_EQ(linkFaults(list_.shared), "");
}

}  // namespace
