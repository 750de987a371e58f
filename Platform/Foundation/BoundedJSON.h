#pragma once
#include <cstddef>
#include <string_view>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/DepthBoundedSAX.h"
#include "Platform/Foundation/Result.h"

namespace platform {

// JSON from outside the program (server answers, stored files, the settings
// file) read with a bound on its nesting. Parsing itself is iterative, but
// copying, comparing, writing out and hashing a value all recurse once per
// level, so a small document nested a hundred thousand deep parses fine and then
// runs the stack out wherever it goes next. Every reader of outside bytes comes
// through here, so nothing that deep is ever built.
class BoundedJSON {
public:
    // Arrays and objects inside one another, the outermost counting as one.
    // Far more than any real document holds, and far less than any thread's stack
    // needs for one recursion per level.
    static constexpr std::size_t maxDepth = 512;

    // The document in `bytes`, or why there is none: it is no JSON text, or it
    // nests deeper than maxDepth (found as the parser meets the bracket that
    // opens the level too many, before anything of that level is built).
    static Result<nlohmann::json> parse(std::string_view bytes);

    // Reads the JSON text in `bytes` with the library's parser, handing its
    // events to `handler` (the library's SAX interface) as long as the text
    // nests no deeper than maxDepth. True when the whole text is JSON within the
    // bound and the handler took every event.
    template <typename Handler>
    static bool read(std::string_view bytes, Handler& handler) {
        DepthBoundedSAX<Handler> bounded(handler, maxDepth);
        return nlohmann::json::sax_parse(bytes, &bounded);
    }

    // Whether `value` nests no deeper than `limit` (a scalar has depth 0).
    // Walks without recursion, so it is safe on any value.
    static bool isWithinDepth(const nlohmann::json& value, std::size_t limit = maxDepth);
};

}  // namespace platform
