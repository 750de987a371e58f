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
        {std::string(isClassMethod ? "+[" : "-[") + textOf(className) + " " + textOf(methodName) + "]",
         implementation});
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
    named.error =
        zzcrash_async_symbolicate_pc(image, strategy, cache, pc, tessivar::testing::collectFoundSymbol, &named);
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

// The old runtime's classes as the runtime leaves them once it has loaded the
// image: a class whose method field holds one list (or none) is marked so.
constexpr const char* oldFormat = "fixture-i386-fragile";
constexpr std::uint32_t singleMethodList = 0x4000;

std::uint32_t* oldClassField(const char* record, std::uint64_t offset) {
    return reinterpret_cast<std::uint32_t*>(nmSymbol(oldFormat, record).value + offset);
}

void registerOldClasses() {
    for (const char* record :
         {"l_OBJC_CLASS_FixtureRoot", "l_OBJC_METACLASS_FixtureRoot", "l_OBJC_CLASS_Worker", "l_OBJC_METACLASS_Worker"})
        *oldClassField(record, 16) |= singleMethodList;
}

// Adding a category's methods turns a class's method field into an array of
// lists, ended by all ones or by 0; the arrays go in the segment's spare end.
void attachOldCategory() {
    const CommandAnswer& segment = headersAnswer(oldFormat).segment("__OBJC");
    auto* arrays = reinterpret_cast<std::uint32_t*>(segment.number("vmaddr") + segment.number("vmsize") - 32);
    const auto list = [](const char* name) { return static_cast<std::uint32_t>(nmSymbol(oldFormat, name).value); };
    const std::uint32_t instance[] = {list("l_OBJC_CATEGORY_INSTANCE_METHODS_Worker_Extras"),
                                      list("l_OBJC_INSTANCE_METHODS_Worker"), 0xffffffffu};
    const std::uint32_t classMethods[] = {list("l_OBJC_CLASS_METHODS_Worker"),
                                          list("l_OBJC_CATEGORY_CLASS_METHODS_Worker_Extras"), 0};
    std::memcpy(arrays, instance, sizeof instance);
    std::memcpy(arrays + 4, classMethods, sizeof classMethods);
    const std::pair<const char*, std::uint32_t*> classes[] = {{"l_OBJC_CLASS_Worker", arrays},
                                                              {"l_OBJC_METACLASS_Worker", arrays + 4}};
    for (const auto& [record, array] : classes) {
        *oldClassField(record, 16) &= ~singleMethodList;
        *oldClassField(record, 28) = static_cast<std::uint32_t>(reinterpret_cast<std::uintptr_t>(array));
    }
}

// Each walked method is named as llvm-nm names the function at its address.
void expectNamedAsNmDoes(const std::vector<Method>& methods, const std::set<std::string>& expected) {
    std::set<std::string> walked;
    for (const Method& method : methods) {
        for (const NmSymbol& symbol : nmSymbols(oldFormat)) {
            if (symbol.value != method.implementation || symbol.type != 't') continue;
            walked.insert(symbol.name);
            EXPECT_EQ(method.name, withoutCategory(symbol.name));
        }
    }
    EXPECT_EQ(walked, expected);
    EXPECT_EQ(methods.size(), expected.size());
}

TEST_F(Symbolication, TheOldFormatListsTheMethodsOfItsClassesAndAttachedCategories) {
    FixtureImage fixture(oldFormat, true);
    ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
    registerOldClasses();
    const std::vector<std::string> listed = objcImplementationNames(oldFormat);
    std::set<std::string> ofClasses;
    for (const std::string& name : listed)
        if (name.find('(') == std::string::npos) ofClasses.insert(name);
    ASSERT_EQ(ofClasses.size(), 4u);
    expectNamedAsNmDoes(walk(fixture.image()), ofClasses);

    attachOldCategory();
    expectNamedAsNmDoes(walk(fixture.image()), std::set<std::string>(listed.begin(), listed.end()));
}

TEST_F(Symbolication, NamesFramesOfAnOldFormatImage) {
    FixtureImage fixture(oldFormat, true);
    ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
    registerOldClasses();
    const std::string longSelector = nmSymbols(oldFormat)[3].name;
    ASSERT_EQ(longSelector.rfind("-[Worker methodWhoseName", 0), 0u);
    for (const std::string& symbol : {std::string("-[Worker run]"), std::string("+[Worker count]"), longSelector}) {
        SCOPED_TRACE(symbol);
        const std::uint64_t start = nmSymbol(oldFormat, symbol).value;
        const Named named = symbolicate(fixture.image(), ZZCRASH_SYMBOL_STRATEGY_OBJC, &cache_, start + 3);
        EXPECT_EQ(named.error, ZZCRASH_ESUCCESS);
        EXPECT_EQ(named.name, symbol.substr(0, ZZCRASH_SYMBOL_NAME_MAX));
        EXPECT_EQ(named.start, start);
    }
}

// A class pointer into unmapped memory ends the walk with the copy's code,
// after the classes before it were reported.
TEST_F(Symbolication, AFailedCopyEndsTheOldFormatWalk) {
    FixtureImage fixture(oldFormat, true);
    ASSERT_EQ(fixture.error(), ZZCRASH_ESUCCESS);
    registerOldClasses();
    *reinterpret_cast<std::uint32_t*>(nmSymbol(oldFormat, "l_OBJC_SYMBOLS").value + 16) = 0x10;
    expectNamedAsNmDoes(walk(fixture.image(), ZZCRASH_ENOTFOUND), {"+[FixtureRoot shared]"});
}

// Once a new-format image has been walked to its end, the cache no longer
// looks for the old format: the old image then has no new-format sections.
TEST_F(Symbolication, ANewFormatWalkStopsTheLookForTheOldFormat) {
    FixtureImage old(oldFormat, true);
    ASSERT_EQ(old.error(), ZZCRASH_ESUCCESS);
    registerOldClasses();
    FixtureImage current("fixture", true);
    ASSERT_EQ(current.error(), ZZCRASH_ESUCCESS);
    EXPECT_EQ(walk(old.image()).size(), 4u);
    EXPECT_FALSE(walk(current.image()).empty());
    EXPECT_TRUE(walk(old.image(), ZZCRASH_ENOTFOUND).empty());

    forgetImages();
    *reinterpret_cast<std::uint32_t*>(nmSymbol("fixture", "__OBJC_$_INSTANCE_METHODS_Worker").value) = 0;
    walk(current.image(), ZZCRASH_EINVALID_DATA);
    EXPECT_EQ(walk(old.image()).size(), 4u);  // a walk cut short proves nothing
}

}  // namespace
