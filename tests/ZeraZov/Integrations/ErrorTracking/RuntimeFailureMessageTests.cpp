#include <gtest/gtest.h>

#include <regex>

#include "ZeraZov/Integrations/ErrorTracking/Private/RuntimeFailureMessage.h"

namespace errortracking_tests {
namespace {

// The two forms as regular expressions, run by the standard library's engine: the
// reader must find the kind wherever they do (and only there), on messages short
// enough for that engine.
std::optional<std::string> kindByExpressions(const std::string& message) {
    static const std::regex forms[] = {
        std::regex(R"(^(Assertion failed|Fatal error|Precondition failed): ((.+): )?file .+, line \d+$)",
                   std::regex::ECMAScript | std::regex::icase),
        std::regex(R"(^.+\.swift:\d+: (Assertion failed|Fatal error|Precondition failed): .+$)",
                   std::regex::ECMAScript | std::regex::icase)};
    for (const auto& form : forms) {
        std::smatch match;
        if (std::regex_search(message, match, form)) return match[1].str();
    }
    return std::nullopt;
}

TEST(RuntimeFailureMessage, TheKindIsFoundWhereTheTwoFormsMatch) {
    const std::vector<std::string> messages{
        "Fatal error: file a.swift, line 1",
        "Fatal error: Index out of range: file Jump/Engine.swift, line 42",
        "fatal ERROR: x: y: file z, line 0012",
        "Assertion failed: file , line 3",
        "Assertion failed: : file a, line 3",
        "Assertion failed: a: file a, line 3",
        "Precondition failed: file a.swift, line x",
        "Precondition failed: file a.swift, line ",
        "Precondition failed: file a.swift line 7",
        "Precondition failed:file a.swift, line 7",
        "Fatal error file a.swift, line 7",
        " Fatal error: file a.swift, line 7",
        "Fatal error: file a.swift, line 7 ",
        "Fatal error: nofile a, line 7",
        "Fatal error: message:file a, line 7",
        "Jump/Engine.swift:42: Assertion failed: display gone",
        "Engine.SWIFT:42: precondition FAILED: x",
        ".swift:42: Fatal error: x",
        "a.swift:: Fatal error: x",
        "a.swift:4: Fatal error: ",
        "a.swift:4: Fatal error:x",
        "a.swift:4:Fatal error: x",
        "a.swift:4: Fatal: x",
        "a.swift:4: Fatal error: x.swift:5: Assertion failed: y",
        "a.swift:4: Oops: x.swift:5: Assertion failed: y",
        "a.swift:4: Assertion failed: x.swift:5: Oops: y",
        "a.swift:4: Fatal error: two\nlines",
        "Fatal error: file a\r, line 7",
        "double free or corruption (out)",
        "",
    };
    for (const auto& message : messages) {
        EXPECT_EQ(zerazov::runtimeFailureKind(message), kindByExpressions(message)) << message;
    }
}

TEST(RuntimeFailureMessage, EveryLineBreakEndsTheForm) {
    for (const std::string lineBreak : {"\n", "\v", "\f", "\r", "\u0085", "\u2028", "\u2029"}) {
        EXPECT_EQ(zerazov::runtimeFailureKind("a.swift:4: Fatal error: x" + lineBreak + "y"), std::nullopt);
        EXPECT_EQ(zerazov::runtimeFailureKind("Fatal error: file a" + lineBreak + ", line 7"), std::nullopt);
    }
}

// A crash message comes from a file: a long one is read like any other, where the
// backtracking engine above runs out of stack.
TEST(RuntimeFailureMessage, ALongMessageIsReadInOnePass) {
    const std::string filler(4 << 20, 'x');
    EXPECT_EQ(zerazov::runtimeFailureKind("Fatal error: " + filler + ": file a, line 7"), "Fatal error");
    EXPECT_EQ(zerazov::runtimeFailureKind(filler + ".swift:1: Assertion failed: " + filler), "Assertion failed");
    EXPECT_EQ(zerazov::runtimeFailureKind(filler + ".swift:1: Fatal error: " + filler + "\n"), std::nullopt);
    std::string swiftLines;
    for (int i = 0; i < 100000; ++i) swiftLines += "a.swift:1: ";
    EXPECT_EQ(zerazov::runtimeFailureKind(swiftLines + "Fatal error: x"), "Fatal error");
}

}  // namespace
}  // namespace errortracking_tests
