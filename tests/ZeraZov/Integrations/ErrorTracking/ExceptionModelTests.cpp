#include <dlfcn.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <regex>
#include <stdexcept>

#include <nlohmann/json.hpp>

#include "ZeraZov/Integrations/ErrorTracking/ExceptionEntries.h"
#include "ZeraZov/Integrations/ErrorTracking/ExceptionEventProperties.h"
#include "ZeraZov/Integrations/ErrorTracking/Private/ExceptionStackFrames.h"
#include "ZeraZov/Integrations/ErrorTracking/Private/HexAddress.h"
#include "tests/support/ShellCommand.h"

namespace errortracking_tests {

using nlohmann::json;
using zerazov::ZeraZovErrorValue;
using zerazov::ZeraZovExceptionObject;

const zerazov::ZeraZovErrorTrackingConfig& config() {
    static const zerazov::ZeraZovErrorTrackingConfig config;
    return config;
}

// Exported and called for real (no inlining, no tail call), so that it is the
// innermost frame a capture from here reports.
[[gnu::noinline]] json entriesFromHere(const ZeraZovErrorValue& error) {
    auto list = zerazov::exceptionList(error, true, "generic", config());
    asm volatile("" ::: "memory");
    return list;
}

[[gnu::noinline]] json entriesFromHere(const ZeraZovExceptionObject& exception) {
    auto list = zerazov::exceptionList(exception, false, "custom", config());
    asm volatile("" ::: "memory");
    return list;
}

[[gnu::noinline]] std::uint64_t addressInHere() {
    const auto address = reinterpret_cast<std::uintptr_t>(__builtin_return_address(0));
    asm volatile("" ::: "memory");
    return address;
}

namespace {

std::uint64_t addressOf(const void* code) { return reinterpret_cast<std::uintptr_t>(code); }

json framesOf(const json& entry) { return zerazov::frameDictionaries(entry); }

std::vector<std::string> field(const json& list, const char* key) {
    std::vector<std::string> values;
    for (const auto& entry : list) values.push_back(entry.value(key, "-"));
    return values;
}

// The GNU build id of a file as binutils reads it, as debug images write it.
std::optional<std::string> buildIdByReadelf(const std::string& path) {
    const auto result = tessivar::testing::runShellCommand(
        std::string(TESSIVAR_READELF) + " -n " + tessivar::testing::shellQuoted(path), std::chrono::seconds(10));
    std::smatch match;
    if (!std::regex_search(result.output, match, std::regex("Build ID: ([0-9a-f]+)"))) return std::nullopt;
    std::string digits = match[1].str().substr(0, 32);
    digits.resize(32, '0');
    for (auto& c : digits) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return digits.substr(0, 8) + "-" + digits.substr(8, 4) + "-" + digits.substr(12, 4) + "-" + digits.substr(16, 4) +
           "-" + digits.substr(20);
}

TEST(ExceptionModel, AnErrorReadsAsItsDomainCodeAndTexts) {
    struct Case {
        const char* what;
        ZeraZovErrorValue error;
        std::string type;
        std::string value;
        std::optional<std::string> module;
    };
    const auto error = [](std::string domain, std::int64_t code, std::string description,
                          std::optional<std::string> debug = std::nullopt,
                          std::optional<std::string> typeName = std::nullopt) {
        ZeraZovErrorValue value;
        value.domain = std::move(domain);
        value.code = code;
        value.localizedDescription = std::move(description);
        value.debugDescription = std::move(debug);
        value.typeName = std::move(typeName);
        return value;
    };
    const std::vector<Case> cases{
        {"a plain error", error("com.brel.tessivar", 7, "无法移动指针"), "com.brel.tessivar", "无法移动指针 (Code: 7)",
         "com.brel"},
        {"its debug description first", error("a.b", -2, "shown", "debugged"), "a.b", "debugged (Code: -2)", "a"},
        {"an empty debug description", error("a.b", 1, "shown", ""), "a.b", "shown (Code: 1)", "a"},
        {"no texts at all", error("display", 3, ""), "display", "Error (Code: 3)", std::nullopt},
        {"a domain starting with its only dot", error(".x", 0, "d"), ".x", "d (Code: 0)", std::nullopt},
        {"the application's own type", error("tessivar.JumpError", 2, "d", std::nullopt, "JumpError"), "JumpError",
         "d (Code: 2)", "tessivar"},
        {"an error code of the library", ZeraZovErrorValue::from(std::make_error_code(std::errc::permission_denied)),
         "generic", "Permission denied (Code: 13)", std::nullopt},
    };
    for (const auto& c : cases) {
        const auto list = entriesFromHere(c.error);
        ASSERT_EQ(list.size(), 1u) << c.what;
        const auto& entry = list[0];
        EXPECT_EQ(entry["type"], c.type) << c.what;
        EXPECT_EQ(entry["value"], c.value) << c.what;
        EXPECT_EQ(entry.contains("module") ? std::optional(entry["module"].get<std::string>()) : std::nullopt, c.module)
            << c.what;
        EXPECT_EQ(entry["thread_id"], gettid()) << c.what;
        EXPECT_EQ(entry["mechanism"], (json{{"type", "generic"}, {"handled", true}, {"synthetic", true}})) << c.what;
    }
}

TEST(ExceptionModel, ChainedErrorsAreListedOutermostFirstAndACycleOnce) {
    auto inner = std::make_shared<ZeraZovErrorValue>();
    inner->domain = "inner";
    auto middle = std::make_shared<ZeraZovErrorValue>();
    middle->domain = "middle";
    middle->underlyingError = inner;
    ZeraZovErrorValue outer;
    outer.domain = "outer";
    outer.underlyingError = middle;
    EXPECT_EQ(field(entriesFromHere(outer), "type"), (std::vector<std::string>{"outer", "middle", "inner"}));

    inner->underlyingError = middle;  // middle -> inner -> middle ...
    EXPECT_EQ(field(entriesFromHere(outer), "type"), (std::vector<std::string>{"outer", "middle", "inner"}));
    EXPECT_EQ(field(entriesFromHere(*middle), "type"), (std::vector<std::string>{"middle", "inner"}));
    inner->underlyingError = inner;
    EXPECT_EQ(field(entriesFromHere(*inner), "type"), (std::vector<std::string>{"inner"}));
    inner->underlyingError.reset();
}

// The stack of the capturing thread, outermost first, begins below the client:
// its innermost frame is the function that asked, named as the program exports it.
TEST(ExceptionModel, TheCallingThreadsStackEndsAtTheCaller) {
    ZeraZovErrorValue error;
    error.domain = "d";
    const auto frames = framesOf(entriesFromHere(error)[0]);
    ASSERT_GE(frames.size(), 3u);
    const auto innermost = frames.back();
    EXPECT_TRUE(innermost.value("function", "").starts_with("_ZN19errortracking_tests15entriesFromHere"))
        << innermost.dump();
    EXPECT_EQ(innermost["module"], std::filesystem::read_symlink("/proc/self/exe").filename().string());
    EXPECT_EQ(innermost["package"], std::filesystem::read_symlink("/proc/self/exe").string());
    EXPECT_EQ(innermost["in_app"], true);
    EXPECT_EQ(innermost["platform"], "apple");
    for (const auto& frame : frames) {
        EXPECT_FALSE(frame.value("function", "").starts_with("_ZN7zerazov")) << frame.dump();
    }
    // The C library's start-up call lies outermost, and is no part of the application.
    const auto libc = std::find_if(frames.begin(), frames.end(),
                                   [](const json& frame) { return frame.value("module", "").starts_with("libc.so"); });
    ASSERT_NE(libc, frames.end());
    EXPECT_EQ((*libc)["in_app"], false);
}

TEST(ExceptionModel, AnExceptionWithItsOwnStackKeepsEveryFrameOfIt) {
    ZeraZovExceptionObject exception;
    exception.name = "JumpFailed";
    exception.reason = "display 3 is gone";
    const auto inHere = addressInHere();
    const auto inClient = addressOf(reinterpret_cast<const void*>(&zerazov::hexAddressText)) + 1;
    const auto inLibc = addressOf(reinterpret_cast<const void*>(&std::fputs)) + 1;
    exception.callStackReturnAddresses = {inHere, inClient, 0x10, inLibc};
    const auto list = entriesFromHere(exception);
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0]["type"], "JumpFailed");
    EXPECT_EQ(list[0]["value"], "display 3 is gone");
    EXPECT_FALSE(list[0].contains("module"));
    EXPECT_EQ(list[0]["mechanism"], (json{{"type", "custom"}, {"handled", false}, {"synthetic", false}}));
    std::vector<std::string> addresses;
    for (const auto& frame : framesOf(list[0])) addresses.push_back(frame["instruction_addr"]);
    EXPECT_EQ(addresses, (std::vector<std::string>{zerazov::hexAddressText(inLibc), zerazov::hexAddressText(inClient),
                                                   zerazov::hexAddressText(inHere)}))
        << "outermost first; the client's frame stays; an address in no image makes none";

    exception.callStackReturnAddresses = {0x10};
    const auto unresolved = entriesFromHere(exception)[0];
    EXPECT_FALSE(unresolved.contains("stacktrace"));
    EXPECT_EQ(unresolved["mechanism"]["synthetic"], false);

    exception.callStackReturnAddresses.clear();
    exception.reason = "";
    const auto sampled = entriesFromHere(exception)[0];
    EXPECT_EQ(sampled["mechanism"]["synthetic"], true);
    EXPECT_FALSE(sampled.contains("value"));
    EXPECT_TRUE(
        framesOf(sampled).back().value("function", "").starts_with("_ZN19errortracking_tests15entriesFromHere"));
}

// A shared library's addresses lie far above 36 bits on x86-64: kept whole, a
// frame in the C library is found in it and its image is listed.
TEST(ExceptionModel, AddressesAreKeptWholeOnThisProcessor) {
    const auto inLibc = addressOf(reinterpret_cast<const void*>(&std::fputs)) + 1;
    ASSERT_GT(inLibc, 0xFFFFFFFFFull);
    const auto trace = zerazov::stackFrames({inLibc}, config());
    ASSERT_TRUE(trace);
    const auto frame = (*trace)["frames"][0];
    EXPECT_EQ(frame["instruction_addr"], zerazov::hexAddressText(inLibc));
    EXPECT_TRUE(frame.value("module", "").starts_with("libc.so")) << frame.dump();
    Dl_info info{};
    ASSERT_NE(dladdr(reinterpret_cast<void*>(inLibc), &info), 0);
    EXPECT_EQ(frame["image_addr"], zerazov::hexAddressText(addressOf(info.dli_fbase)));
    EXPECT_EQ(frame["symbol_addr"], zerazov::hexAddressText(addressOf(info.dli_saddr)));
}

TEST(ExceptionModel, CppExceptionsNestedInEachOtherAreListedOutermostFirst) {
    std::shared_ptr<const ZeraZovExceptionObject> caught;
    try {
        try {
            throw std::out_of_range("no display 9");
        } catch (...) {
            std::throw_with_nested(std::runtime_error("jump failed"));
        }
    } catch (...) {
        caught = ZeraZovExceptionObject::from(std::current_exception());
    }
    ASSERT_TRUE(caught);
    const auto list = entriesFromHere(*caught);
    EXPECT_EQ(field(list, "type"), (std::vector<std::string>{"std::runtime_error", "std::out_of_range"}));
    EXPECT_EQ(field(list, "value"), (std::vector<std::string>{"jump failed", "no display 9"}));

    try {
        throw 42;
    } catch (...) {
        caught = ZeraZovExceptionObject::from(std::current_exception());
    }
    EXPECT_EQ(caught->name, "int");
    EXPECT_FALSE(caught->reason);
    EXPECT_FALSE(ZeraZovExceptionObject::from(nullptr));
}

// The images the frames lie in, each once, in the loader's order, with the build id
// binutils reads from the file.
TEST(ExceptionModel, TheEventListsTheImagesItsFramesLieIn) {
    ZeraZovErrorValue error;
    error.domain = "d";
    json properties = json::object();
    zerazov::exceptionEventProperties(entriesFromHere(error), properties);
    ASSERT_TRUE(properties.contains("$exception_list"));
    const auto images = properties["$debug_images"];
    ASSERT_GE(images.size(), 2u) << "this program and the C library";
    std::set<std::string> imageAddresses;
    for (const auto& image : images) {
        imageAddresses.insert(image["image_addr"]);
        EXPECT_EQ(image["type"], "macho");
        EXPECT_GT(image["image_size"].get<std::uint64_t>(), 0u);
        EXPECT_FALSE(image.contains("image_vmaddr")) << "position-independent: linked at 0";
        EXPECT_EQ(image.value("debug_id", "none"), buildIdByReadelf(image["code_file"]).value_or("none"))
            << image["code_file"];
    }
    EXPECT_EQ(imageAddresses.size(), images.size());
    for (const auto& frame : framesOf(properties["$exception_list"][0])) {
        EXPECT_TRUE(imageAddresses.contains(frame["image_addr"])) << frame.dump();
    }
    EXPECT_EQ(images[0]["code_file"], std::filesystem::read_symlink("/proc/self/exe").string());

    json untouched = json::object();
    zerazov::exceptionEventProperties(json::array(), untouched);
    EXPECT_EQ(untouched, json::object());
}

}  // namespace
}  // namespace errortracking_tests
