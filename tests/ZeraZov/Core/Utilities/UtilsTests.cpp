#include <gtest/gtest.h>

#include <cstdint>
#include <fstream>
#include <limits>
#include <string>

#include <nlohmann/json.hpp>

#include "Platform/Testing/LogCapture.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "ZeraZov/Core/Config/ZeraZovClientDefaults.h"
#include "ZeraZov/Core/Storage/FileUtils.h"
#include "ZeraZov/Core/Utilities/Utils.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov {
namespace {

using json = nlohmann::json;

TEST(PropertyValueFromString, DecimalIntegersBecomeNumbers) {
    EXPECT_EQ(propertyValueFromString("42"), json(42));
    EXPECT_EQ(propertyValueFromString("-7"), json(-7));
    EXPECT_EQ(propertyValueFromString("+3"), json(3));
    EXPECT_EQ(propertyValueFromString("+1"), json(1));
    EXPECT_EQ(propertyValueFromString("007"), json(7));
    EXPECT_EQ(propertyValueFromString("-0"), json(0));
    EXPECT_EQ(propertyValueFromString("9223372036854775807"), json(std::numeric_limits<std::int64_t>::max()));
    EXPECT_EQ(propertyValueFromString("-9223372036854775808"), json(std::numeric_limits<std::int64_t>::min()));
    EXPECT_TRUE(propertyValueFromString("42").is_number_integer());
}

TEST(PropertyValueFromString, EverythingElseStaysText) {
    for (const char* text : {"", "+", "-", " 1", "1 ", "1.0", "1.2", "12a", "+-1", "--1", "-+1", "0x10", "1e3",
                             "9223372036854775808", "-9223372036854775809", "12345678901234567890", "١٢"}) {
        EXPECT_EQ(propertyValueFromString(text), json(text)) << text;
    }
}

TEST(SmallUtilities, VersionsAndTexts) {
    EXPECT_EQ(operatingSystemVersionString({14, 0, 0}), "14.0.0");
    EXPECT_EQ(operatingSystemVersionString({6, 1, 95}), "6.1.95");
    const auto live = platform::SystemInfo::current().operatingSystemVersion();
    EXPECT_EQ(operatingSystemVersionString(),
              std::to_string(live.major) + "." + std::to_string(live.minor) + "." + std::to_string(live.patch));

    platform::BundleInfo bundle;
    EXPECT_EQ(appShortVersion(bundle), std::nullopt);
    bundle.shortVersion = "2.3";
    EXPECT_EQ(appShortVersion(bundle), "2.3");

    EXPECT_TRUE(isNilOrEmpty(std::nullopt));
    EXPECT_TRUE(isNilOrEmpty(std::string()));
    EXPECT_FALSE(isNilOrEmpty(std::string(" ")));

    EXPECT_EQ(ZeraZovClientDefaults::logsServiceName(""), "com.zerazov.unknown");
    EXPECT_EQ(ZeraZovClientDefaults::logsServiceName("com.brel.tessivar"), "com.brel.tessivar");
}

class FileUtilsTest : public ::testing::Test {
protected:
    tessivar::testing::DebugLogSwitch debug;
    platform::LogCapture logs;
    platform::TemporaryDirectory directory;

    std::filesystem::path writeFile(const std::filesystem::path& relative) {
        const auto path = directory.path() / relative;
        std::ofstream(path) << "x";
        return path;
    }
};

TEST_F(FileUtilsTest, CreatesMissingParentsAndLeavesWhatExists) {
    const auto nested = directory.path() / "a" / "b" / "c";
    createDirectoryAtURLIfNeeded(nested);
    EXPECT_TRUE(directoryExists(nested));

    createDirectoryAtURLIfNeeded(nested);
    const auto file = writeFile("file");
    createDirectoryAtURLIfNeeded(file);
    EXPECT_FALSE(directoryExists(file));
    EXPECT_TRUE(std::filesystem::is_regular_file(file));
    EXPECT_TRUE(logs.lines().empty());
}

TEST_F(FileUtilsTest, CreationFailureIsLogged) {
    const auto file = writeFile("blocker");
    createDirectoryAtURLIfNeeded(file / "inside");
    ASSERT_EQ(logs.lines().size(), 1u);
    EXPECT_EQ(logs.lines()[0].rfind("[ZeraZov] Error creating storage directory: ", 0), 0u);
}

TEST_F(FileUtilsTest, DeletesFoldersWithContentsAndIgnoresMissingPaths) {
    const auto folder = directory.path() / "queue";
    std::filesystem::create_directories(folder / "inner");
    writeFile("queue/inner/record");
    deleteSafely(folder);
    EXPECT_FALSE(std::filesystem::exists(folder));

    deleteSafely(directory.path() / "missing");
    const auto file = writeFile("single");
    deleteSafely(file);
    EXPECT_FALSE(std::filesystem::exists(file));
    EXPECT_FALSE(directoryExists(directory.path() / "missing"));
    EXPECT_TRUE(logs.lines().empty());
}

}  // namespace
}  // namespace zerazov
