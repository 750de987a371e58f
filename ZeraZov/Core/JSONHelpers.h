#pragma once
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace zerazov {

// True when the value, and everything inside it, can be written as JSON text:
// finite numbers, valid UTF-8 in strings and keys, no binary values.
bool isValidJSONValue(const nlohmann::json& value);

// Makes a property dictionary JSON-safe. Null, a non-object or an empty object
// answers nothing; otherwise each top-level entry whose value fails
// isValidJSONValue is removed with the debug line
// "property: <key> isn't serializable, dropping the item". May answer an empty object.
std::optional<nlohmann::json> sanitizeDictionary(nlohmann::json properties);

// The sanitised dictionary as JSON text (compact, or indented by `indent`
// spaces when it is 0 or more); nothing when sanitising left nothing.
std::optional<std::string> toJSONData(const nlohmann::json& dictionary, int indent = -1);

// The JSON object in the bytes; nothing for a parse error or any other value.
std::optional<nlohmann::json> jsonObject(std::string_view bytes);

}  // namespace zerazov
