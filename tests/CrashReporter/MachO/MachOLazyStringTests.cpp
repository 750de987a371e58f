#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "CrashReporter/Async/MachO/zzcrash_async_macho_lazy_string.h"
#include "tests/CrashReporter/MachO/LoadedFixture.h"
#include "tests/CrashReporter/Support/GuardedPages.h"

namespace {

using namespace tessivar::testing::macho;

TEST(MachOLazyString, MapsPageByPageUntilItsEnd) {
    FixtureImage fixture("fixture", true);
    ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
    zzcrash_async_macho_lazy_string text;
    zzcrash_async_macho_lazy_string_init(&text, fixture.image(), nmSymbol("fixture", "_fixture_long_text").value);
    std::uint64_t length = 0;
    ASSERT_EQ(zzcrash_async_macho_lazy_string_get_length(&text, &length), ZZCRASH_ESUCCESS);
    EXPECT_EQ(length, 5000u);
    EXPECT_EQ(zzcrash_async_mobject_length(&text.mobj), 8192u);  // one page did not hold it, two did
    const char* pointer = nullptr;
    ASSERT_EQ(zzcrash_async_macho_lazy_string_get_pointer(&text, &pointer), ZZCRASH_ESUCCESS);
    EXPECT_EQ(std::string(pointer, 10), "abcdeabcde");
    EXPECT_EQ(std::strlen(pointer), 5000u);
    zzcrash_async_macho_lazy_string_free(&text);
}

// A string that never ends before unreadable memory (a guard page, an unmapped
// gap) is refused; one that starts in unmapped memory has nothing to map.
TEST(MachOLazyString, AStringRunningIntoUnreadableMemoryIsRefused) {
    FixtureImage fixture("fixture", true);
    ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
    tessivar::testing::GuardedPages pages;
    const struct {
        std::uintptr_t start;
        zzcrash_error_t error;
    } cases[] = {{pages.readable() + 100, ZZCRASH_EINVAL},
                 {pages.readableBeforeGap() + 100, ZZCRASH_EINVAL},
                 {pages.unmapped(), ZZCRASH_ENOMEM}};
    std::memset(reinterpret_cast<void*>(pages.readable()), 'x', pages.pageSize());
    std::memset(reinterpret_cast<void*>(pages.readableBeforeGap()), 'x', pages.pageSize());
    for (const auto& c : cases) {
        zzcrash_async_macho_lazy_string text;
        zzcrash_async_macho_lazy_string_init(&text, fixture.image(), c.start);
        std::uint64_t length = 0;
        EXPECT_EQ(zzcrash_async_macho_lazy_string_get_length(&text, &length), c.error);
        EXPECT_FALSE(text.mapped);
    }
}

// Each page more maps the string anew: one that has not ended within the
// limit is not followed further.
TEST(MachOLazyString, AStringPastTheLimitIsRefused) {
    FixtureImage fixture("fixture", true);
    ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
    for (const std::uint64_t length : {ZZCRASH_MACHO_LAZY_STRING_LIMIT - 1, ZZCRASH_MACHO_LAZY_STRING_LIMIT + 4096}) {
        std::string text(length, 'x');
        zzcrash_async_macho_lazy_string string;
        zzcrash_async_macho_lazy_string_init(&string, fixture.image(), reinterpret_cast<std::uint64_t>(text.c_str()));
        std::uint64_t found = 0;
        const zzcrash_error_t error = zzcrash_async_macho_lazy_string_get_length(&string, &found);
        EXPECT_EQ(error, length < ZZCRASH_MACHO_LAZY_STRING_LIMIT ? ZZCRASH_ESUCCESS : ZZCRASH_EINVAL);
        EXPECT_EQ(found, error == ZZCRASH_ESUCCESS ? length : 0);
        zzcrash_async_macho_lazy_string_free(&string);
    }
}

}  // namespace
