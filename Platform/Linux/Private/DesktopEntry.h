#pragma once
#include <optional>
#include <string>
#include <string_view>

namespace platform {

// The few rules of the freedesktop Desktop Entry format that an autostart entry
// needs: reading a key of the main group and writing an Exec line.
struct DesktopEntry {
    // The value of `key` in the "[Desktop Entry]" group, its escapes (\s \n \t
    // \r \\) resolved; nothing when the group or the key is absent.
    static std::optional<std::string> value(std::string_view text, std::string_view key);
    // A Boolean key that holds "true" (the format's only true spelling).
    static bool isTrue(std::string_view text, std::string_view key);

    // One program path as the value of an Exec key: quoted, with the characters
    // that are special inside quotes escaped, every "%" doubled so no field code
    // is read into it (such a path is started through env), and then escaped as
    // any string value is.
    static std::string execValue(std::string_view program);
    // A string value with its backslashes and control characters escaped.
    static std::string escaped(std::string_view value);
};

}  // namespace platform
