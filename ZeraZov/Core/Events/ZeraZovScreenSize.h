#pragma once
#include <functional>
#include <optional>

namespace zerazov {

// The screen size events carry, in its own small header so that the client's facade
// can take a measuring function without making its callers read the whole context.
struct ZeraZovScreenSize {
    double width = 0;
    double height = 0;
};

// The size of the screen of the application's active window, nothing when it has
// none; asked on the main thread only.
using ZeraZovKeyWindowScreenSize = std::function<std::optional<ZeraZovScreenSize>()>;

}  // namespace zerazov
