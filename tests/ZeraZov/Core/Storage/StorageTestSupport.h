#pragma once
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "Platform/Testing/LogCapture.h"
#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "tests/Platform/Foundation/TextFile.h"
#include "tests/support/DebugLogSwitch.h"

namespace zerazov_storage_tests {

using foundation_tests::readText;
using foundation_tests::writeText;

// The names directly inside a folder, sorted.
std::vector<std::string> entryNames(const std::filesystem::path& folder);

// Points $XDG_DATA_HOME somewhere for one test and puts it back after.
class ScopedDataHome {
public:
    explicit ScopedDataHome(const std::filesystem::path& folder);
    ~ScopedDataHome();
    ScopedDataHome(const ScopedDataHome&) = delete;
    ScopedDataHome& operator=(const ScopedDataHome&) = delete;

private:
    std::optional<std::string> previous_;
};

// Turns the client's debug lines on and collects them while it lives.
class DebugLogCapture {
public:
    bool containsPrefix(const std::string& prefix) const;
    const platform::LogCapture& lines() const { return capture_; }

private:
    tessivar::testing::DebugLogSwitch debugLog_;
    platform::LogCapture capture_;
};

}  // namespace zerazov_storage_tests
