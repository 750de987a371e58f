#pragma once
#include <cstddef>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace zerazov {

// Appends JSON text exactly as nlohmann's compact dump() writes it, checking on the
// way what isValidJSONValue checks: one pass instead of a walk to check and a dump
// to write. Each call answers false at the first thing that cannot be written, and
// the text is then unusable.
class JSONTextWriter {
public:
    explicit JSONTextWriter(std::string& text) : text_(text) {}

    // A value whose arrays and objects nest no deeper than `maxDepth` levels.
    bool value(const nlohmann::json& value, std::size_t maxDepth);
    // A string, quoted and escaped.
    bool string(std::string_view text);
    // The text as it stands: punctuation and members already written.
    void raw(std::string_view text) { text_ += text; }

private:
    bool valueAt(const nlohmann::json& value, std::size_t depth, std::size_t maxDepth);
    bool object(const nlohmann::json::object_t& members, std::size_t depth, std::size_t maxDepth);
    bool array(const nlohmann::json::array_t& elements, std::size_t depth, std::size_t maxDepth);
    bool scalar(const nlohmann::json& value);
    void escaped(unsigned char byte);

    std::string& text_;
};

}  // namespace zerazov
