// The crash handler's own reading of the loader's chain: what a library
// opened or closed since the list was last refreshed does to the list.
#include <dlfcn.h>

#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"
#include "CrashReporter/Images/Private/zzcrash_loader_chain.h"
#include "CrashReporter/Images/zzcrash_elf_image_list.h"
#include "tests/CrashReporter/Support/FoundSymbol.h"

namespace {

std::vector<std::string> namesIn(zzcrash_async_image_list* list) {
    std::vector<std::string> names;
    zzcrash_async_image_list_mark_reading(list, true);
    for (auto* image = zzcrash_async_image_list_next(list, nullptr); image;
         image = zzcrash_async_image_list_next(list, image))
        names.emplace_back(reinterpret_cast<const zzcrash_async_elf_image*>(image)->name);
    zzcrash_async_image_list_mark_reading(list, false);
    return names;
}

const zzcrash_async_elf_image* imageHolding(zzcrash_async_image_list* list, const void* code) {
    return reinterpret_cast<const zzcrash_async_elf_image*>(
        zzcrash_async_image_containing_address(list, reinterpret_cast<std::uint64_t>(code)));
}

// Kept for the life of the test program, as the reporter keeps its own list:
// records taken in at crash time belong to the chain reader, not the list.
zzcrash_async_image_list* preparedList() {
    auto* list = new zzcrash_async_image_list{};
    zzcrash_async_image_list_init(list, ZZCRASH_TASK_SELF, &zzcrash_async_elf_image_format);
    zzcrash_elf_image_list_refresh(list);
    zzcrash_loader_chain_prepare(list);
    return list;
}

}  // namespace

TEST(LoaderChain, TakesInTheLibrariesOpenedSinceTheRefreshAndDropsTheClosedOnes) {
    zzcrash_async_image_list* list = preparedList();
    const std::vector<std::string> before = namesIn(list);
    void* library = dlopen(TESSIVAR_LATE_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    void* function = dlsym(library, "tessivar_late_library_write_null");
    ASSERT_NE(function, nullptr);
    ASSERT_EQ(imageHolding(list, function), nullptr);

    zzcrash_loader_chain_refresh(list);
    const zzcrash_async_elf_image* opened = imageHolding(list, function);
    ASSERT_NE(opened, nullptr);
    EXPECT_STREQ(opened->name, TESSIVAR_LATE_LIBRARY);
    EXPECT_TRUE(opened->has_uuid);
    EXPECT_NE(opened->eh_frame_address, 0u);
    tessivar::testing::FoundSymbol found;
    found.error = zzcrash_async_elf_symbol_at_pc(opened, reinterpret_cast<std::uint64_t>(function) + 1,
                                                 tessivar::testing::collectFoundSymbol, &found);
    EXPECT_EQ(found.error, ZZCRASH_ESUCCESS);
    EXPECT_EQ(found.name, "tessivar_late_library_write_null");
    std::vector<std::string> withLibrary = before;
    withLibrary.emplace_back(TESSIVAR_LATE_LIBRARY);
    EXPECT_EQ(namesIn(list), withLibrary) << "the images known already stay, each once";
    zzcrash_loader_chain_refresh(list);
    EXPECT_EQ(namesIn(list), withLibrary) << "a second crash-time refresh finds nothing new";

    ASSERT_EQ(dlclose(library), 0);
    zzcrash_loader_chain_refresh(list);
    EXPECT_EQ(imageHolding(list, function), nullptr);
    EXPECT_EQ(namesIn(list), before);
}

// Another list (a test's, or one of fixtures) is not the process's own: even
// with nodes to spare it is given none of the loader's images. Kept like the
// prepared one, in case it were.
TEST(LoaderChain, LeavesAListItWasNotPreparedForAlone) {
    preparedList();
    auto* other = new zzcrash_async_image_list{};
    zzcrash_async_image_list_init(other, ZZCRASH_TASK_SELF, &zzcrash_async_elf_image_format);
    zzcrash_async_image_list_reserve(other, 4);
    zzcrash_loader_chain_refresh(other);
    EXPECT_TRUE(namesIn(other).empty());
}
