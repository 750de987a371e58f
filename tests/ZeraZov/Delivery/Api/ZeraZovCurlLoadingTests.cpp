#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "Platform/Testing/TemporaryDirectory.h"
#include "tests/support/ShellCommand.h"

using namespace std::chrono_literals;
using tessivar::testing::runShellCommand;
using tessivar::testing::shellQuoted;

namespace {

constexpr const char* kUnusable = "[ZeraZov] Uploads are off: libcurl could not be loaded (";

long occurrences(const std::string& text, const std::string& part) {
    long count = 0;
    for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1)) ++count;
    return count;
}

// The probe with `folder` searched first for libcurl.so.4 (none: the system's).
std::string runProbe(const std::string& folder) {
    const std::string environment = folder.empty() ? "" : "LD_LIBRARY_PATH=" + shellQuoted(folder) + " ";
    const auto result = runShellCommand(environment + shellQuoted(CURL_LOADING_PROBE), 20s);
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return result.output;
}

// Without libcurl nothing is ever sent; that must be said, once, and not only in debug.
TEST(ZeraZovCurlLoading, ALibraryThatCannotServeIsSaidOnceAndNoURLIsMade) {
    platform::TemporaryDirectory notALibrary;
    std::ofstream(notALibrary.path() / "libcurl.so.4") << "not a shared object\n";
    struct Case {
        const char* name;
        std::string folder;
        const char* reason;
    };
    const Case cases[] = {
        {"a file the loader refuses", notALibrary.path().string(), "libcurl.so.4"},
        {"a library without curl's functions", std::filesystem::path(INCOMPLETE_CURL_LIBRARY).parent_path().string(),
         "undefined symbol: curl_"},
    };
    for (const auto& testCase : cases) {
        const auto output = runProbe(testCase.folder);
        EXPECT_EQ(occurrences(output, kUnusable), 1) << testCase.name << ": " << output;
        EXPECT_NE(output.find(testCase.reason), std::string::npos) << testCase.name << ": " << output;
        EXPECT_NE(output.find("none"), std::string::npos) << testCase.name << ": " << output;
    }
}

TEST(ZeraZovCurlLoading, TheSystemsLibraryLoadsWithoutAWord) {
    const auto output = runProbe("");
    EXPECT_EQ(occurrences(output, kUnusable), 0) << output;
    EXPECT_NE(output.find("built"), std::string::npos) << output;
}

}  // namespace
