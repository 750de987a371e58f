#include "Platform/Linux/GsettingsKeyBindings.h"

#include "Platform/Linux/Private/CommandOutput.h"

namespace platform {

namespace {

// One quoted string starting at `at` (its opening quote); `at` moves past it.
std::string quoted(std::string_view text, std::size_t& at) {
    const char quote = text[at++];
    std::string value;
    while (at < text.size() && text[at] != quote) {
        if (text[at] == '\\' && at + 1 < text.size()) ++at;
        value += text[at++];
    }
    ++at;
    return value;
}

void collectStrings(std::string_view value, std::vector<std::string>& strings) {
    for (std::size_t at = 0; at < value.size();) {
        if (value[at] == '\'' || value[at] == '"') {
            strings.push_back(quoted(value, at));
            continue;
        }
        ++at;
    }
}

// The value part: what follows the schema and the key.
std::string_view valueOf(std::string_view line) {
    for (int field = 0; field < 2; ++field) {
        const auto space = line.find(' ');
        if (space == std::string_view::npos) return {};
        line.remove_prefix(space + 1);
    }
    return line;
}

const char* const kSchemas[] = {
    "org.gnome.desktop.wm.keybindings",
    "org.gnome.mutter.keybindings",
    "org.gnome.shell.keybindings",
    "org.gnome.settings-daemon.plugins.media-keys",
};

}  // namespace

std::vector<std::string> GsettingsKeyBindings::stringsInListing(std::string_view listing) {
    std::vector<std::string> strings;
    while (!listing.empty()) {
        const auto end = listing.find('\n');
        collectStrings(valueOf(listing.substr(0, end)), strings);
        if (end == std::string_view::npos) break;
        listing.remove_prefix(end + 1);
    }
    return strings;
}

std::vector<std::string> GsettingsKeyBindings::accelerators() {
    const auto deadline = std::chrono::steady_clock::now() + timeout_;
    std::vector<std::string> result;
    for (const char* schema : kSchemas) {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) break;
        const auto listing = CommandOutput::run({"gsettings", "list-recursively", schema}, left);
        if (!listing) continue;
        const auto strings = stringsInListing(*listing);
        result.insert(result.end(), strings.begin(), strings.end());
    }
    return result;
}

}  // namespace platform
