#include "ZeraZov/Integrations/ScreenViews/ScreenName.h"

#include "ZeraZov/Core/Utilities/UnicodeText.h"

namespace zerazov {
namespace {

// "Wrapper<inner>" -> "inner".
std::optional<std::string_view> stripGenericWrapper(std::string_view name, std::string_view wrapper) {
    if (!name.starts_with(wrapper)) return std::nullopt;
    const auto rest = name.substr(wrapper.size());
    if (rest.size() < 2 || rest.front() != '<' || rest.back() != '>') return std::nullopt;
    return rest.substr(1, rest.size() - 2);
}

// The text before the first comma outside angle brackets, trimmed of blanks (it may
// be empty); without such a comma the whole text trimmed, and nothing when that is empty.
std::optional<std::string_view> firstGenericArgument(std::string_view arguments) {
    int depth = 0;
    for (std::size_t at = 0; at < arguments.size(); ++at) {
        const char c = arguments[at];
        if (c == '<') ++depth;
        if (c == '>') --depth;
        if (c == ',' && depth == 0) return trimmedWhitespace(arguments.substr(0, at));
    }
    const auto whole = trimmedWhitespace(arguments);
    return whole.empty() ? std::nullopt : std::optional(whole);
}

std::optional<std::string_view> unwrappedContent(std::string_view name) {
    const auto inner = stripGenericWrapper(name, "ModifiedContent");
    return inner ? firstGenericArgument(*inner) : std::nullopt;
}

}  // namespace

std::optional<std::string> screenName(std::string_view viewTypeName) {
    std::string_view name = viewTypeName;
    bool unwrapped = false;
    if (const auto hosted = stripGenericWrapper(name, "UIHostingController")) {
        name = *hosted;
        unwrapped = true;
    }
    for (auto content = unwrappedContent(name); content; content = unwrappedContent(name)) {
        name = *content;
        unwrapped = true;
    }
    if (name.empty() || (unwrapped && name == "AnyView")) return std::nullopt;
    return std::string(name);
}

}  // namespace zerazov
