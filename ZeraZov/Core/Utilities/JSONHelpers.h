#pragma once
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include <nlohmann/json_fwd.hpp>

#include "Platform/Foundation/BoundedJSON.h"

namespace zerazov {

// True when the text is well-formed UTF-8: what JSON text must be made of.
bool isValidUTF8(std::string_view text);

// True when the value, and everything inside it, can be written as JSON text:
// finite numbers, valid UTF-8 in strings and keys, no binary values, and no
// deeper than `maxDepth` levels of arrays and objects (by default what every
// reader of stored or received JSON accepts, so what is written reads back).
bool isValidJSONValue(const nlohmann::json& value, std::size_t maxDepth = platform::BoundedJSON::maxDepth);

// How deep a property value may nest: an event wraps its properties in a few
// levels more (the event, its batch, a "$set"), and the whole must stay within
// what the readers accept.
inline constexpr std::size_t maxPropertyDepth = platform::BoundedJSON::maxDepth / 2;
// How deep a built event's property may nest: the builder puts person and group
// properties, each sanitised to maxPropertyDepth, one level down under "$set",
// "$set_once" or "$group_set".
inline constexpr std::size_t maxBuiltPropertyDepth = maxPropertyDepth + 1;

// Makes a property dictionary JSON-safe. Null, a non-object or an empty object
// answers nothing; otherwise each top-level entry whose value fails
// isValidJSONValue(value, maxDepth) is left out with the debug line
// "property: <key> isn't serializable, dropping the item". May answer an empty
// object. A value nested too deep is never copied, so the caller's value may be
// as deep as it likes.
std::optional<nlohmann::json> sanitizeDictionary(const nlohmann::json& properties,
                                                 std::size_t maxDepth = maxPropertyDepth);
// The same for a dictionary the caller may not have given: none answers nothing.
std::optional<nlohmann::json> sanitizeOptionalDictionary(const std::optional<nlohmann::json>& properties);

// Sets `key` to the text made valid UTF-8, when there is a text.
void putValidText(nlohmann::json& object, const char* key, const std::optional<std::string>& value);

// True when sanitizeDictionary would keep the object as it is, every entry: the
// one walk that spares the usual dictionary, already writable, a copy. Not for
// null or non-objects, which it answers false.
bool isSanitizedDictionary(const nlohmann::json& properties, std::size_t maxDepth = maxPropertyDepth);

// The sanitised dictionary as JSON text (compact, or indented by `indent`
// spaces when it is 0 or more); nothing when sanitising left nothing. Its
// entries may nest as deep as the text then still reads back.
std::optional<std::string> toJSONData(const nlohmann::json& dictionary, int indent = -1);

// The JSON object in the bytes; nothing for a parse error, a document nested
// deeper than BoundedJSON allows, or any other value.
std::optional<nlohmann::json> jsonObject(std::string_view bytes);

// The members of `base` (none when it is no object) with those of `overlay`
// written over them.
nlohmann::json merged(const nlohmann::json& base, const nlohmann::json& overlay);

}  // namespace zerazov
