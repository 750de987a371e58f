// The README tells people how to edit their shortcuts by hand. What it shows
// must be what the package reads: its settings example, its key table and its
// modifier masks are checked here against the package itself.
#include <algorithm>
#include <fstream>
#include <sstream>

#include "HotkeysFixture.h"
#include "Platform/Testing/LogCapture.h"

using hotkeys::Name;
using hotkeys::Shortcut;
using nlohmann::json;

namespace {

std::vector<std::string> readmeLines() {
    std::ifstream file(TESSIVAR_README);
    std::vector<std::string> lines;
    for (std::string line; std::getline(file, line);) lines.push_back(line);
    return lines;
}

std::string trimmed(const std::string& text) {
    const auto first = text.find_first_not_of(' ');
    if (first == std::string::npos) return {};
    return text.substr(first, text.find_last_not_of(' ') - first + 1);
}

// The settings example: the JSON block that mentions the display shortcuts.
json settingsExample(const std::vector<std::string>& lines) {
    std::string block;
    bool inside = false;
    for (const std::string& line : lines) {
        const std::string text = trimmed(line);
        if (text == "```json") {
            inside = true;
            block.clear();
            continue;
        }
        if (inside && text == "```") {
            if (block.find("Hotkeys_jumpToScreen") != std::string::npos) return json::parse(block, nullptr, false);
            inside = false;
            continue;
        }
        if (inside) block += text + "\n";
    }
    return json::value_t::discarded;
}

// The (label, number) pairs of the table whose header starts with `header`.
std::vector<std::pair<std::string, std::int64_t>> tablePairs(const std::vector<std::string>& lines,
                                                             const std::string& header) {
    std::vector<std::pair<std::string, std::int64_t>> pairs;
    auto row = std::find_if(lines.begin(), lines.end(),
                            [&](const std::string& line) { return trimmed(line).starts_with(header); });
    if (row == lines.end()) return pairs;
    for (row += 2; row != lines.end() && trimmed(*row).starts_with("|"); ++row) {
        std::vector<std::string> cells;
        std::stringstream stream(trimmed(*row).substr(1));
        for (std::string cell; std::getline(stream, cell, '|');) cells.push_back(trimmed(cell));
        for (std::size_t i = 0; i + 1 < cells.size(); i += 2) {
            if (!cells[i].empty()) pairs.emplace_back(cells[i], std::stoll(cells[i + 1]));
        }
    }
    return pairs;
}

class Readme : public HotkeysFixture {
protected:
    std::vector<std::string> lines = readmeLines();
};

TEST_F(Readme, TheSettingsExampleReadsAsTheShortcutsItNames) {
    const json example = settingsExample(lines);
    ASSERT_TRUE(example.is_object()) << "the README's settings example is one JSON object";
    platform::LogCapture log;
    for (const auto& [key, value] : example.items()) defaults.set(key, value);

    EXPECT_EQ(Name("jumpToScreen1").shortcut(), optionDigit(1)) << "Alt+1";
    const Shortcut controlF2(hotkeys::Key::f2, hotkeys::ModifierFlags{hotkeys::ModifierFlags::control});
    EXPECT_EQ(Name("jumpToScreen2").shortcut(), controlF2) << "Ctrl+F2";
    EXPECT_EQ(Name("jumpToScreen3").shortcut(), std::nullopt);
    EXPECT_TRUE(hotkeys::hasStoredValue(Name("jumpToScreen3"))) << "removed, not missing";
    EXPECT_EQ(log.lines(), std::vector<std::string>{}) << "nothing in the example is reported as unreadable";
}

// Every key of the table, shown the way the tray menu shows it on a US layout,
// is the key the README names.
TEST_F(Readme, TheKeyTableNamesTheKeysItsCodesAre) {
    const auto keys = tablePairs(lines, "| Key | Code |");
    EXPECT_EQ(keys.size(), 10u + 26u + 12u + 4u) << "digits, letters, F1 to F12 and the arrows";
    for (const auto& [label, code] : keys) EXPECT_EQ(Shortcut(code, 0).description(), label) << "code " << code;
}

TEST_F(Readme, TheModifierTableNamesTheMasksItsNumbersAre) {
    const auto masks = tablePairs(lines, "| Modifier | Mask |");
    ASSERT_EQ(masks.size(), 4u);
    for (const auto& [label, mask] : masks) {
        EXPECT_EQ(hotkeys::ModifierFlags::fromCarbon(mask).presentableDescription(), label.substr(0, label.find(' ')));
    }
}

}  // namespace
