#include "Tessivar/AppDefaults.h"

#include <optional>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "Platform/Foundation/UserDefaults.h"
#include "Platform/Testing/TemporaryDirectory.h"

namespace {

using nlohmann::json;
namespace AppDefaults = tessivar::AppDefaults;

struct AppDefaultsTest : ::testing::Test {
    // Stores `value` (nothing: removes the key) and reads it back through a
    // fresh instance, as the next launch would.
    const platform::UserDefaults& storedAs(const char* key, const std::optional<json>& value) {
        if (value) {
            defaults.set(key, *value);
        } else {
            defaults.removeObject(key);
        }
        reread.emplace(defaults.file());
        return *reread;
    }

    platform::TemporaryDirectory directory;
    platform::UserDefaults defaults{directory.path() / "defaults.json"};
    std::optional<platform::UserDefaults> reread;
};

enum class Effect { scale, ring, off };

TEST_F(AppDefaultsTest, EffectTypeIsReadAsTextAndOnlyScaleAndOffAreSpecial) {
    struct Case {
        std::optional<json> stored;
        std::string type;
        Effect effect;
    };
    const std::vector<Case> cases = {
        {std::nullopt, "scale", Effect::scale},
        {"scale", "scale", Effect::scale},
        {"off", "off", Effect::off},
        {"ripple", "ripple", Effect::ring},
        {"Scale", "Scale", Effect::ring},
        {"", "", Effect::ring},
        // A number reads as its text, so it is neither "scale" nor "off".
        {0, "0", Effect::ring},
        {3, "3", Effect::ring},
        {1.5, "1.5", Effect::ring},
        // A Boolean reads as "1" or "0", the way a defaults store's string accessor answers.
        {true, "1", Effect::ring},
        {false, "0", Effect::ring},
        // A list or an object has no text: as if nothing were stored.
        {json::array({"off"}), "scale", Effect::scale},
        {json::object({{"type", "off"}}), "scale", Effect::scale},
    };
    for (const auto& c : cases) {
        const auto& read = storedAs(AppDefaults::visualEffectType, c.stored);
        const std::string label = c.stored ? c.stored->dump() : "absent";
        EXPECT_EQ(AppDefaults::effectType(read), c.type) << label;
        EXPECT_EQ(AppDefaults::isLocatingEffectEnabled(read), c.effect != Effect::off) << label;
        EXPECT_EQ(AppDefaults::isCursorScaleEffect(read), c.effect == Effect::scale) << label;
    }
}

TEST_F(AppDefaultsTest, RememberLastPositionIsTrueOnlyWhileNothingDecides) {
    const std::vector<std::pair<std::optional<json>, bool>> cases = {
        {std::nullopt, true}, {true, true},  {false, false},         {0, false}, {1, true},
        {"NO", false},        {"YES", true}, {json::array(), false},
    };
    for (const auto& [stored, expected] : cases) {
        const auto& read = storedAs(AppDefaults::rememberLastPosition, stored);
        EXPECT_EQ(AppDefaults::rememberLastPositionEnabled(read), expected) << (stored ? stored->dump() : "absent");
    }
}

}  // namespace
