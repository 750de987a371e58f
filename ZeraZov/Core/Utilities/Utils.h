#pragma once
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "Platform/Foundation/BundleInfo.h"
#include "Platform/Foundation/SystemInfo.h"

namespace zerazov {

// The application's short version ("1.0.0"); nothing when the bundle has none.
std::optional<std::string> appShortVersion(const platform::BundleInfo& bundle);

// A decimal signed 64-bit integer text ("42", "-7", "+3", "007") becomes that
// integer; any other text (empty, "+", " 1", "1.0", out of range) stays text.
nlohmann::json propertyValueFromString(const std::string& text);

// "major.minor.patch" of the running kernel, for example "6.1.0".
std::string operatingSystemVersionString();
std::string operatingSystemVersionString(const platform::SystemInfo::OperatingSystemVersion& version);

bool isNilOrEmpty(const std::optional<std::string>& text);

}  // namespace zerazov
