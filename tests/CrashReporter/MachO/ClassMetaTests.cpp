#include <algorithm>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/zzcrash_async_symbolicate.h"
#include "tests/CrashReporter/MachO/LoadedFixture.h"
#include "tests/CrashReporter/Support/FoundSymbol.h"

namespace {

using namespace tessivar::testing::macho;

std::string textOf(zzcrash_async_macho_lazy_string* string) {
    const char* text = nullptr;
    return zzcrash_async_macho_lazy_string_get_pointer(string, &text) == ZZCRASH_ESUCCESS ? text : "?";
}

struct Method {
    std::string name;  // "-[Class selector]"
    std::uint64_t implementation;
};

void collectMethod(bool isClassMethod, zzcrash_async_macho_lazy_string* className,
                   zzcrash_async_macho_lazy_string* methodName, std::uint64_t implementation, void* context) {
    static_cast<std::vector<Method>*>(context)->push_back(
        {std::string(isClassMethod ? "+[" : "-[") + textOf(className) + " " + textOf(methodName) + "]", implementation});
}

// llvm-nm names a category's methods "-[Class(Category) selector]".
std::string withoutCategory(std::string name) {
    const std::size_t open = name.find('(');
    if (open != std::string::npos) name.erase(open, name.find(')') - open + 1);
    return name;
}

class Symbolication : public ::testing::Test {
protected:
    Symbolication() { zzcrash_async_symbolication_cache_init(&cache_); }
    ~Symbolication() override { zzcrash_async_symbolication_cache_free(&cache_); }

    std::vector<Method> walk(zzcrash_async_macho_image* image, zzcrash_error_t expected = ZZCRASH_ESUCCESS) {
        std::vector<Method> methods;
        EXPECT_EQ(zzcrash_async_classmeta_walk_image(image, &cache_, collectMethod, &methods), expected);
        return methods;
    }

    // Section mappings follow the image record; a test that makes a new
    // record where the last one was starts over.
    void forgetImages() {
        zzcrash_async_symbolication_cache_free(&cache_);
        zzcrash_async_symbolication_cache_init(&cache_);
    }

    zzcrash_async_symbolication_cache cache_{};
};

TEST_F(Symbolication, TheMetadataListsTheMethodsLlvmObjdumpFinds) {
    for (const char* name : {"fixture", "fixture-stripped"}) {
        SCOPED_TRACE(name);
        forgetImages();
        FixtureImage fixture(name, true);
        ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
        std::set<std::string> walkedSymbols;
        for (const Method& method : walk(fixture.image())) {
            for (const NmSymbol& symbol : nmSymbols("fixture")) {
                if (symbol.value != method.implementation) continue;
                walkedSymbols.insert(symbol.name);
                EXPECT_EQ(method.name, withoutCategory(symbol.name));
            }
        }
        const std::vector<std::string> listed = objcImplementationNames("fixture");
        EXPECT_EQ(walkedSymbols, std::set<std::string>(listed.begin(), listed.end()));
    }
}

using Named = tessivar::testing::FoundSymbol;

Named symbolicate(zzcrash_async_macho_image* image, std::uint32_t strategy, zzcrash_async_symbolication_cache* cache,
                  std::uint64_t pc) {
    Named named;
    named.error = zzcrash_async_symbolicate_pc(image, strategy, cache, pc, tessivar::testing::collectFoundSymbol, &named);
    return named;
}

constexpr std::uint32_t both = ZZCRASH_SYMBOL_STRATEGY_SYMBOL_TABLE | ZZCRASH_SYMBOL_STRATEGY_OBJC;

TEST_F(Symbolication, NamesFramesFromTheSymbolTableAndTheMetadata) {
    const std::string longSelector = nmSymbols("fixture")[5].name;
    ASSERT_EQ(longSelector.rfind("-[Worker methodWhoseName", 0), 0u);
    const struct {
        const char* fixture;
        std::uint32_t strategy;
        const char* symbol;  // llvm-nm's name of the function holding the pc
        std::uint64_t into;  // bytes into that function
        std::string name;    // what the frame is called
    } cases[] = {
        {"fixture-stripped", both, "-[Worker run]", 2, "-[Worker run]"},
        {"fixture-stripped", ZZCRASH_SYMBOL_STRATEGY_OBJC, "+[Worker count]", 0, "+[Worker count]"},
        {"fixture-stripped", both, "-[Worker(Extras) extra]", 1, "-[Worker extra]"},
        {"fixture-stripped", both, "+[Worker(Extras) classExtra]", 3, "+[Worker classExtra]"},
        {"fixture-stripped", both, "+[FixtureRoot shared]", 0, "+[FixtureRoot shared]"},
        // At the same start the metadata's form wins; a symbol closer to the pc wins over a method.
        {"fixture", both, "-[Worker(Extras) extra]", 1, "-[Worker extra]"},
        {"fixture", both, "_start", 1, "_start"},
        {"fixture", ZZCRASH_SYMBOL_STRATEGY_SYMBOL_TABLE, "-[Worker(Extras) extra]", 1, "-[Worker(Extras) extra]"},
        {"fixture-stripped", both, longSelector.c_str(), 4, longSelector.substr(0, ZZCRASH_SYMBOL_NAME_MAX)},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.fixture) + " " + c.symbol);
        forgetImages();
        FixtureImage fixture(c.fixture, true);
        ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
        const std::uint64_t start = nmSymbol("fixture", c.symbol).value;
        const Named named = symbolicate(fixture.image(), c.strategy, &cache_, start + c.into);
        EXPECT_EQ(named.error, ZZCRASH_ESUCCESS);
        EXPECT_EQ(named.name, c.name);
        EXPECT_EQ(named.start, start);
    }
}

TEST_F(Symbolication, FailsWhenNoStrategyCanName) {
    FixtureImage thumb("fixture-armv7", false);  // code only: no class metadata
    ASSERT_EQ(thumb.error(), ZZCRASH_ESUCCESS);
    const std::uint64_t pc = nmSymbol("fixture-armv7", "_fixture_thumb_visible").value + thumb.slide();
    EXPECT_EQ(symbolicate(thumb.image(), 0, &cache_, pc).error, ZZCRASH_ENOTFOUND);
    EXPECT_EQ(symbolicate(thumb.image(), ZZCRASH_SYMBOL_STRATEGY_OBJC, &cache_, pc).error, ZZCRASH_ENOTFOUND);
    EXPECT_EQ(symbolicate(thumb.image(), both, &cache_, pc).name, "_fixture_thumb_visible");
    std::vector<Method> methods;
    EXPECT_EQ(zzcrash_async_classmeta_walk_image(thumb.image(), nullptr, collectMethod, &methods), ZZCRASH_EACCESS);

    forgetImages();
    FixtureImage fixture("fixture", true);
    ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
    const std::uint64_t first = nmSymbol("fixture", "+[FixtureRoot shared]").value;
    EXPECT_EQ(symbolicate(fixture.image(), ZZCRASH_SYMBOL_STRATEGY_OBJC, &cache_, first - 1).error, ZZCRASH_ENOTFOUND);
}

// Most images have classes and no categories: their methods are still named.
TEST_F(Symbolication, AnImageWithoutCategoriesStillNamesItsClassesMethods) {
    const HeadersAnswer answer = headersAnswer("fixture");
    std::size_t at = 32;
    std::size_t catlist = 0;
    for (const CommandAnswer& command : answer.commands) {
        for (std::size_t i = 0; i < command.sections.size(); ++i) {
            if (command.sections[i].at("sectname") == "__objc_catlist") catlist = at + 72 + i * 80;
        }
        at += command.size;
    }
    ASSERT_NE(catlist, 0u);
    std::vector<std::uint8_t> bytes = readFixture("fixture-stripped");
    std::memcpy(&bytes[catlist], "__objc_catlisx", 14);
    FixtureImage fixture(bytes, "fixture-stripped", true);
    ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
    const std::vector<Method> methods = walk(fixture.image());
    EXPECT_EQ(methods.size(), 4u);  // run, the long one, count, shared
    const std::uint64_t run = nmSymbol("fixture", "-[Worker run]").value;
    EXPECT_EQ(symbolicate(fixture.image(), both, &cache_, run + 1).name, "-[Worker run]");
}

// A method list whose entries claim no size would otherwise be walked over
// the same bytes four billion times.
TEST_F(Symbolication, AMethodListWithEntriesTooSmallIsInvalid) {
    FixtureImage fixture("fixture", true);
    ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
    auto* list = reinterpret_cast<std::uint32_t*>(nmSymbol("fixture", "__OBJC_$_INSTANCE_METHODS_Worker").value);
    for (const std::uint32_t header : {0u, 8u}) {
        list[0] = header;
        list[1] = 0xffffffffu;
        walk(fixture.image(), ZZCRASH_EINVALID_DATA);
    }
}

// The first class whose data address takes a slot keeps it.
TEST_F(Symbolication, TheClassDataTableKeepsTheFirstEntryOfASlot) {
    const std::uint64_t first = 0x100004000;
    const std::uint64_t sameSlot = first + 4 * ZZCRASH_CLASSMETA_TABLE_SLOTS;
    std::uint64_t value = 0;
    EXPECT_FALSE(zzcrash_async_classmeta_cache_lookup(&cache_, first, &value));
    zzcrash_async_classmeta_cache_store(&cache_, first, 0x1111);
    zzcrash_async_classmeta_cache_store(&cache_, sameSlot, 0x2222);
    EXPECT_TRUE(zzcrash_async_classmeta_cache_lookup(&cache_, first, &value));
    EXPECT_EQ(value, 0x1111u);
    EXPECT_FALSE(zzcrash_async_classmeta_cache_lookup(&cache_, sameSlot, &value));
    zzcrash_async_classmeta_cache_store(&cache_, first + 8, 0x3333);
    EXPECT_TRUE(zzcrash_async_classmeta_cache_lookup(&cache_, first + 8, &value));
    EXPECT_EQ(value, 0x3333u);
}

}  // namespace
