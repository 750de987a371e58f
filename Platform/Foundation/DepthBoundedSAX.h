#pragma once
#include <cstddef>
#include <string>

#include <nlohmann/json.hpp>

namespace platform {

// Stands between the JSON library's parser and a handler of its SAX events,
// passing every event on, and stops the text at the first bracket that opens
// a level past `limit`: the handler never hears of that level, so nothing it
// builds nests deeper than the limit and a text nested a hundred thousand deep
// is given up after `limit` levels, with nothing more read or made. Depth is
// that of the text as the parser meets it, not of any value made from it: a
// repeated key counts however deep its first value went.
template <typename Handler>
class DepthBoundedSAX {
    using json = nlohmann::json;

public:
    DepthBoundedSAX(Handler& handler, std::size_t limit) : handler_(handler), limit_(limit) {}

    // Whether the text was given up for nesting past the limit.
    bool tooDeep() const { return tooDeep_; }
    // The parser's own words on a text that is no JSON, empty otherwise.
    const std::string& error() const { return error_; }

    bool null() { return handler_.null(); }
    bool boolean(bool value) { return handler_.boolean(value); }
    bool number_integer(json::number_integer_t value) { return handler_.number_integer(value); }
    bool number_unsigned(json::number_unsigned_t value) { return handler_.number_unsigned(value); }
    bool number_float(json::number_float_t value, const json::string_t& text) {
        return handler_.number_float(value, text);
    }
    bool string(json::string_t& value) { return handler_.string(value); }
    bool binary(json::binary_t& value) { return handler_.binary(value); }
    bool key(json::string_t& name) { return handler_.key(name); }
    bool start_object(std::size_t size) { return enter() && handler_.start_object(size); }
    bool start_array(std::size_t size) { return enter() && handler_.start_array(size); }
    bool end_object() {
        --depth_;
        return handler_.end_object();
    }
    bool end_array() {
        --depth_;
        return handler_.end_array();
    }

    bool parse_error(std::size_t position, const std::string& token, const json::exception& exception) {
        error_ = exception.what();
        return handler_.parse_error(position, token, exception);
    }

private:
    bool enter() {
        tooDeep_ = ++depth_ > limit_;
        return !tooDeep_;
    }

    Handler& handler_;
    std::size_t limit_;
    std::size_t depth_ = 0;
    bool tooDeep_ = false;
    std::string error_;
};

}  // namespace platform
