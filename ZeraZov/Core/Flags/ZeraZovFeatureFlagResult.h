#pragma once
#include <cstdint>
#include <exception>
#include <limits>
#include <optional>
#include <string>
#include <type_traits>
#include <utility>

#include <nlohmann/json.hpp>

namespace zerazov {

// The answer for one feature flag: its key, whether it is on, the variant served
// and the payload as the remote configuration produced it (parsed JSON, or the
// stored text when it was not JSON).
class ZeraZovFeatureFlagResult {
public:
    ZeraZovFeatureFlagResult(std::string key, bool enabled, std::optional<std::string> variant,
                             std::optional<nlohmann::json> payload)
        : key_(std::move(key)), enabled_(enabled), variant_(std::move(variant)), payload_(std::move(payload)) {}

    const std::string& key() const { return key_; }
    bool enabled() const { return enabled_; }
    const std::optional<std::string>& variant() const { return variant_; }
    const std::optional<nlohmann::json>& payload() const { return payload_; }

    // The payload as a T: a payload of T's own kind (text, Boolean, number) as it is;
    // an object or array decoded through T's from_json; anything else, or a decoding
    // failure, nothing.
    template <typename T>
    std::optional<T> payloadAs() const noexcept;

private:
    template <typename T>
    static bool isOwnKind(const nlohmann::json& value);
    template <typename T>
    static bool fitsIntegral(const nlohmann::json& value);

    std::string key_;
    bool enabled_;
    std::optional<std::string> variant_;
    std::optional<nlohmann::json> payload_;
};

template <typename T>
bool ZeraZovFeatureFlagResult::isOwnKind(const nlohmann::json& value) {
    if constexpr (std::is_same_v<T, nlohmann::json>) return true;
    if constexpr (std::is_same_v<T, std::string>) return value.is_string();
    if constexpr (std::is_same_v<T, bool>) return value.is_boolean();
    if constexpr (std::is_floating_point_v<T>) return value.is_number();
    if constexpr (std::is_integral_v<T> && !std::is_same_v<T, bool>) return fitsIntegral<T>(value);
    return false;
}

// A number is an integer T only when it is whole and in T's range, never a
// truncated or wrapped-around value.
template <typename T>
bool ZeraZovFeatureFlagResult::fitsIntegral(const nlohmann::json& value) {
    if (value.is_number_unsigned()) {
        return std::cmp_less_equal(value.template get<std::uint64_t>(), std::numeric_limits<T>::max());
    }
    if (!value.is_number_integer()) return false;
    const auto number = value.template get<std::int64_t>();
    return std::in_range<T>(number);
}

template <typename T>
std::optional<T> ZeraZovFeatureFlagResult::payloadAs() const noexcept {
    if (!payload_) return std::nullopt;
    const auto& value = *payload_;
    if (!isOwnKind<T>(value) && !value.is_structured()) return std::nullopt;
    try {
        return value.template get<T>();
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

}  // namespace zerazov
