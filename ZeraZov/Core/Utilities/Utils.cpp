#include "ZeraZov/Core/Utilities/Utils.h"

#include <algorithm>
#include <charconv>
#include <cstdint>

#include <nlohmann/json.hpp>

namespace zerazov {
namespace {

bool isDecimalDigits(std::string_view text) {
    return !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

}  // namespace

std::optional<std::string> appShortVersion(const platform::BundleInfo& bundle) {
    if (bundle.shortVersion.empty()) return std::nullopt;
    return bundle.shortVersion;
}

nlohmann::json propertyValueFromString(const std::string& text) {
    const std::string_view view(text);
    const bool hasSign = !view.empty() && (view.front() == '+' || view.front() == '-');
    const std::string_view digits = hasSign ? view.substr(1) : view;
    // from_chars takes a minus sign but no plus, and would stop quietly at the first
    // non-digit, so the shape is checked first.
    if (!isDecimalDigits(digits)) return text;
    const std::string_view number = view.front() == '-' ? view : digits;
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(number.data(), number.data() + number.size(), value);
    if (error != std::errc{} || end != number.data() + number.size()) return text;
    return value;
}

std::string operatingSystemVersionString() {
    return operatingSystemVersionString(platform::SystemInfo::current().operatingSystemVersion());
}

std::string operatingSystemVersionString(const platform::SystemInfo::OperatingSystemVersion& version) {
    return std::to_string(version.major) + "." + std::to_string(version.minor) + "." + std::to_string(version.patch);
}

bool isNilOrEmpty(const std::optional<std::string>& text) { return !text || text->empty(); }

}  // namespace zerazov
