#include "Platform/Foundation/Log.h"

#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace platform {
namespace {

TEST(LogTest, FormatReplacesTheMarkerOnce) {
    EXPECT_EQ(Log::format("[Tessivar] %@", "hi"), "[Tessivar] hi");
    EXPECT_EQ(Log::format("%@ then more", "first"), "first then more");
    EXPECT_EQ(Log::format("no marker", "ignored"), "no marker");
    // A message carrying the marker itself must not be expanded again.
    EXPECT_EQ(Log::format("[A] %@ / %@", "x%@y"), "[A] x%@y / %@");
}

TEST(LogTest, SinkReceivesLinesAndSwapsBack) {
    std::vector<std::string> first;
    std::vector<std::string> second;
    const auto original = Log::setSink([&first](const std::string& line) { first.push_back(line); });
    Log::write("[Tessivar] %@", "one");
    const auto replaced = Log::setSink([&second](const std::string& line) { second.push_back(line); });
    Log::write("[Tessivar] %@", "two");
    Log::writeAll("[Tessivar] %@", {"two and a half", "two and three quarters"});
    Log::setSink(replaced);
    Log::write("[Tessivar] %@", "three");
    Log::setSink(original);
    EXPECT_EQ(first, (std::vector<std::string>{"[Tessivar] one", "[Tessivar] three"}));
    EXPECT_EQ(second, (std::vector<std::string>{"[Tessivar] two", "[Tessivar] two and a half",
                                                "[Tessivar] two and three quarters"}));
}

TEST(LogTest, WriteOnceWritesEachDistinctLineOnce) {
    std::vector<std::string> lines;
    const auto original = Log::setSink([&lines](const std::string& line) { lines.push_back(line); });
    for (int i = 0; i < 3; ++i) {
        Log::writeOnce("[Tessivar] %@", "settings blocked");
        Log::writeOnce("[Other] %@", "settings blocked");
        Log::writeOnce("[Tessivar] %@", "key %@ refused");
    }
    Log::setSink(original);
    EXPECT_EQ(lines, (std::vector<std::string>{"[Tessivar] settings blocked", "[Other] settings blocked",
                                               "[Tessivar] key %@ refused"}));
}

TEST(LogTest, EmptySinkWritesToStandardError) {
    const auto previous = Log::setSink({});
    ::testing::internal::CaptureStderr();
    Log::write("[Tessivar] %@", "到标准错误");
    Log::writeAll("[Tessivar] %@", {});
    Log::writeAll("[Tessivar] %@", {"first", "second"});
    const std::string written = ::testing::internal::GetCapturedStderr();
    Log::setSink(previous);
    EXPECT_EQ(written, "[Tessivar] 到标准错误\n[Tessivar] first\n[Tessivar] second\n");
}

}  // namespace
}  // namespace platform
