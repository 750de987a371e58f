#pragma once
#include <cstddef>
#include <string>
#include <utility>
#include <vector>

#include <nlohmann/json.hpp>

namespace platform {

// Builds the value of a JSON text from the parser's SAX events, as the
// library's own parse() would: a repeated key keeps its last value. Only the
// library's public SAX interface is used, so any release of it that has that
// interface builds the same values. Each value goes straight into its place,
// and no event looks back at what its container holds already, so a container
// of any width costs one step a member.
class JSONValueBuilder {
    using json = nlohmann::json;

public:
    explicit JSONValueBuilder(json& root) : root_(root) {}

    bool null() { return place(nullptr); }
    bool boolean(bool value) { return place(value); }
    bool number_integer(json::number_integer_t value) { return place(value); }
    bool number_unsigned(json::number_unsigned_t value) { return place(value); }
    bool number_float(json::number_float_t value, const json::string_t&) { return place(value); }
    bool string(json::string_t& value) { return place(std::move(value)); }
    bool binary(json::binary_t& value) { return place(std::move(value)); }
    bool key(json::string_t& name) {
        member_ = &(*open_.back())[std::move(name)];
        return true;
    }
    bool start_object(std::size_t) { return enter(json::object()); }
    bool start_array(std::size_t) { return enter(json::array()); }
    bool end_object() { return leave(); }
    bool end_array() { return leave(); }
    // The text is given up; what was built of it is of no use.
    bool parse_error(std::size_t, const std::string&, const json::exception&) { return false; }

private:
    // The value's place: the root, the end of the array open innermost, or the
    // member whose key came last.
    json& slot(json value) {
        if (open_.empty()) return root_ = std::move(value);
        json& container = *open_.back();
        if (!container.is_array()) return *member_ = std::move(value);
        auto& elements = container.get_ref<json::array_t&>();
        elements.push_back(std::move(value));
        return elements.back();
    }
    bool place(json value) {
        slot(std::move(value));
        return true;
    }
    // A container stays where it was put while it is open: an array only grows
    // at its innermost open level, and an object's members never move.
    bool enter(json container) {
        open_.push_back(&slot(std::move(container)));
        return true;
    }
    bool leave() {
        open_.pop_back();
        return true;
    }

    json& root_;
    std::vector<json*> open_;
    json* member_ = nullptr;
};

}  // namespace platform
