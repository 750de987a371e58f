#pragma once
#include <algorithm>
#include <cstddef>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

namespace fuzzing {

// How deep the JSON text in `bytes` nests (a scalar is 0, "[]" is 1), as the
// library's own parser meets it, building nothing. The text, not the value it
// makes: a repeated key keeps only its last value, so a shallow value can come
// from a text that nests too deep, and the readers go by the text.
inline std::size_t textDepthOf(std::string_view bytes) {
    struct DepthCounter : nlohmann::json_sax<nlohmann::json> {
        std::size_t depth = 0;
        std::size_t deepest = 0;
        bool open() {
            deepest = std::max(deepest, ++depth);
            return true;
        }
        bool close() {
            --depth;
            return true;
        }
        bool null() override { return true; }
        bool boolean(bool) override { return true; }
        bool number_integer(number_integer_t) override { return true; }
        bool number_unsigned(number_unsigned_t) override { return true; }
        bool number_float(number_float_t, const string_t&) override { return true; }
        bool string(string_t&) override { return true; }
        bool binary(binary_t&) override { return true; }
        bool start_object(std::size_t) override { return open(); }
        bool key(string_t&) override { return true; }
        bool end_object() override { return close(); }
        bool start_array(std::size_t) override { return open(); }
        bool end_array() override { return close(); }
        bool parse_error(std::size_t, const std::string&, const nlohmann::json::exception&) override { return false; }
    } counter;
    nlohmann::json::sax_parse(bytes, &counter);
    return counter.deepest;
}

}  // namespace fuzzing
