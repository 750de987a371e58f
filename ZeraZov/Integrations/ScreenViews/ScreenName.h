#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace zerazov {

// The screen name a view type's name stands for: a hosting-controller wrapper is
// taken off once, then content wrappers down to their first generic argument;
// nothing for an empty name or for a wrapper around nothing but "AnyView".
// Every name given to the client's screen() passes through here first.
std::optional<std::string> screenName(std::string_view viewTypeName);

}  // namespace zerazov
