#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <thread>
#include <vector>

#include "Platform/Testing/ManualClock.h"
#include "ZeraZov/Core/Identity/TimeBasedEpochGenerator.h"

namespace zerazov {
namespace {

using namespace std::chrono;
using Entropy = std::array<std::uint8_t, 10>;

constexpr std::uint64_t kStart = 1714564800123;  // 2024-05-01T12:00:00.123Z

// Hands out the scripted entropies in order, or fails when told to.
struct ScriptedRandom {
    std::vector<Entropy> fills;
    std::size_t calls = 0;
    bool failing = false;

    TimeBasedEpochGenerator::RandomSource source() {
        return [this](std::span<std::uint8_t> buffer) -> std::error_code {
            if (failing) return std::make_error_code(std::errc::io_error);
            const Entropy& next = fills.at(std::min(calls++, fills.size() - 1));
            std::copy(next.begin(), next.end(), buffer.begin());
            return {};
        };
    }
};

std::uint64_t timestampOf(const UUID& id) {
    std::uint64_t milliseconds = 0;
    for (std::size_t i = 0; i < 6; ++i) milliseconds = (milliseconds << 8) | id.bytes()[i];
    return milliseconds;
}

int versionOf(const UUID& id) { return id.bytes()[6] >> 4; }
int variantOf(const UUID& id) { return id.bytes()[8] >> 6; }

class TimeBasedEpochGeneratorTest : public ::testing::Test {
protected:
    platform::ManualClock clock{platform::Clock::WallTime{milliseconds{kStart}}};
    ScriptedRandom random{{Entropy{0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0, 0x11, 0x22}}};
    TimeBasedEpochGenerator generator{clock, random.source()};
};

TEST_F(TimeBasedEpochGeneratorTest, IdsOfOneMillisecondCountUpByOneAndSortInOrder) {
    std::vector<UUID> ids;
    for (int i = 0; i < 5000; ++i) ids.push_back(generator.v7());

    EXPECT_EQ(random.calls, 1u);
    for (std::size_t i = 1; i < ids.size(); ++i) {
        ASSERT_LT(ids[i - 1], ids[i]) << i;
        ASSERT_LT(ids[i - 1].uuidString(), ids[i].uuidString()) << i;
        ASSERT_EQ(timestampOf(ids[i]), kStart);
    }
    // The first id shows the drawn entropy under the version and variant bits.
    EXPECT_EQ(ids[0].uuidString(), "018F3406-9E7B-7234-9678-9ABCDEF01122");
    EXPECT_EQ(ids[1].uuidString(), "018F3406-9E7B-7234-9678-9ABCDEF01123");
}

// Two ids in one millisecond: the first shows the drawn entropy, the second the
// same count plus one, carried over all 80 bits, the ones under the version and
// variant too, and wrapping to zero on the same timestamp.
TEST(TimeBasedEpochGeneratorCount, SecondIdOfAMillisecondCountsOneUpOverAllEightyBits) {
    struct Case {
        const char* name;
        Entropy drawn;
        const char* first;
        const char* second;
    };
    const Case cases[] = {
        {"carry into the byte before",
         {0x01, 0x02, 0x03, 0x04, 0x05, 0x06, 0x07, 0x08, 0xFF, 0xFF},
         "018F3406-9E7B-7102-8304-05060708FFFF",
         "018F3406-9E7B-7102-8304-050607090000"},
        {"carry through the variant's byte",
         {0x00, 0x00, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         "018F3406-9E7B-7000-BFFF-FFFFFFFFFFFF",
         "018F3406-9E7B-7001-8000-000000000000"},
        {"the hidden variant bits count too",
         {0x00, 0x00, 0x3F, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         "018F3406-9E7B-7000-BFFF-FFFFFFFFFFFF",
         "018F3406-9E7B-7000-8000-000000000000"},
        {"all ones wrap to zero on the same timestamp",
         {0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF, 0xFF},
         "018F3406-9E7B-7FFF-BFFF-FFFFFFFFFFFF",
         "018F3406-9E7B-7000-8000-000000000000"},
    };
    for (const auto& c : cases) {
        platform::ManualClock clock{platform::Clock::WallTime{milliseconds{kStart}}};
        ScriptedRandom random{{c.drawn}};
        TimeBasedEpochGenerator generator{clock, random.source()};
        EXPECT_EQ(generator.v7().uuidString(), c.first) << c.name;
        EXPECT_EQ(generator.v7().uuidString(), c.second) << c.name;
        EXPECT_EQ(random.calls, 1u) << c.name;
    }
}

TEST_F(TimeBasedEpochGeneratorTest, ClockSetBackGivesTheEarlierTimeWithFreshEntropy) {
    const UUID before = generator.v7();
    random.fills = {Entropy{0, 0, 0, 0, 0, 0, 0, 0, 0, 0x07}};
    clock.setNow(clock.now() - seconds{1});
    const UUID after = generator.v7();

    EXPECT_EQ(random.calls, 2u);
    EXPECT_EQ(timestampOf(after), kStart - 1000);
    EXPECT_EQ(after.uuidString(), "018F3406-9A93-7000-8000-000000000007");
    EXPECT_LT(after, before);  // no longer in creation order
}

TEST(TimeBasedEpochGeneratorStart, FirstIdAtTheEpochCountsOnFromZeroInsteadOfDrawing) {
    platform::ManualClock clock{platform::Clock::WallTime{}};
    std::size_t draws = 0;
    TimeBasedEpochGenerator generator(clock, [&draws](std::span<std::uint8_t>) -> std::error_code {
        ++draws;
        return {};
    });

    EXPECT_EQ(generator.v7().uuidString(), "00000000-0000-7000-8000-000000000001");
    EXPECT_EQ(draws, 0u);
}

TEST_F(TimeBasedEpochGeneratorTest, NewMillisecondDrawsFreshEntropy) {
    random.fills.push_back(Entropy{0, 0, 0, 0, 0, 0, 0, 0, 0, 0x01});
    generator.v7();
    clock.advance(milliseconds{2});
    const UUID later = generator.v7();
    EXPECT_EQ(random.calls, 2u);
    EXPECT_EQ(later.uuidString(), "018F3406-9E7D-7000-8000-000000000001");
}

TEST_F(TimeBasedEpochGeneratorTest, VersionAndVariantBitsWhateverTheEntropy) {
    for (const std::uint8_t fill : {0x00, 0x5A, 0xFF}) {
        random.fills = {Entropy{}};
        random.fills[0].fill(fill);
        clock.advance(milliseconds{1});
        const UUID id = generator.v7();
        EXPECT_EQ(versionOf(id), 7) << int(fill);
        EXPECT_EQ(variantOf(id), 2) << int(fill);
    }
    const UUID shared = TimeBasedEpochGenerator::shared().v7();
    EXPECT_EQ(versionOf(shared), 7);
    EXPECT_EQ(variantOf(shared), 2);
}

TEST_F(TimeBasedEpochGeneratorTest, FailingRandomSourceStillGivesDistinctIds) {
    random.failing = true;
    std::set<UUID> ids;
    for (int i = 0; i < 3; ++i) {
        clock.advance(milliseconds{1});
        const UUID id = generator.v7();
        EXPECT_EQ(versionOf(id), 7);
        ids.insert(id);
    }
    EXPECT_EQ(ids.size(), 3u);
}

TEST_F(TimeBasedEpochGeneratorTest, ClockBefore1970GivesRandomVersion4Ids) {
    clock.setNow(platform::Clock::WallTime{-seconds{5}});
    const UUID first = generator.v7();
    const UUID second = generator.v7();
    EXPECT_EQ(versionOf(first), 4);
    EXPECT_EQ(variantOf(first), 2);
    EXPECT_NE(first, second);
}

TEST(TimeBasedEpochGeneratorThreads, SharedGeneratorNeverRepeatsAcrossThreads) {
    constexpr int kThreads = 4, kPerThread = 5000;
    std::vector<std::vector<UUID>> made(kThreads);
    std::vector<std::thread> threads;
    for (auto& list : made) {
        threads.emplace_back([&list] {
            for (int i = 0; i < kPerThread; ++i) list.push_back(TimeBasedEpochGenerator::shared().v7());
        });
    }
    for (auto& thread : threads) thread.join();
    std::set<UUID> all;
    for (const auto& list : made) {
        EXPECT_TRUE(std::is_sorted(list.begin(), list.end()));
        all.insert(list.begin(), list.end());
    }
    EXPECT_EQ(all.size(), std::size_t{kThreads * kPerThread});
}

TEST(UUIDText, ReadsBothCasesAndRejectsOtherShapes) {
    const auto id = UUID::fromString("018f3406-9e7b-7234-9678-9abcdef01122");
    ASSERT_TRUE(id);
    EXPECT_EQ(id->uuidString(), "018F3406-9E7B-7234-9678-9ABCDEF01122");
    EXPECT_EQ(id->bytes()[0], 0x01);
    EXPECT_EQ(id->bytes()[15], 0x22);
    EXPECT_FALSE(UUID::fromString("018F3497D89B-7234-9678-9ABCDEF011223"));
    EXPECT_FALSE(UUID::fromString("018F3406-9E7B-7234-9678-9ABCDEF0112G"));
    EXPECT_FALSE(UUID::fromString("018F3406-9E7B-7234-9678-9ABCDEF0112"));
    EXPECT_EQ(versionOf(UUID::random()), 4);
}

}  // namespace
}  // namespace zerazov
