// The settings file, which the user may edit or a crash may cut short. A file
// that holds a JSON object is read as it is, every typed read of every setting
// answers, and what is saved after a change reads back the same. Any other file,
// one nested deeper than the readers take too, is moved aside byte for byte,
// never lost and never overwritten.
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/BoundedJSON.h"
#include "Platform/Foundation/UserDefaults.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/JSONDepth.h"
#include "tests/fuzz/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using platform::UserDefaults;

const std::string fileName = "defaults.json";

void readEverySetting(const UserDefaults& defaults) {
    for (const auto& key : defaults.keys()) {
        static_cast<void>(defaults.boolValue(key));
        static_cast<void>(defaults.integerValue(key));
        static_cast<void>(defaults.doubleValue(key));
        static_cast<void>(defaults.stringValue(key));
    }
}

// What the defaults hold, as one object.
json settings(const UserDefaults& defaults) {
    json values = json::object();
    for (const auto& key : defaults.keys()) values[key] = *defaults.object(key);
    return values;
}

void checkMovedAside(const fs::path& folder, std::string_view bytes) {
    bool kept = false;
    for (const auto& entry : fs::directory_iterator(folder)) {
        const auto name = entry.path().filename().string();
        if (name.starts_with(fileName + ".corrupt-")) kept = kept || fuzzing::ScratchFolder::read(entry) == bytes;
    }
    fuzzing::check(kept, "an unreadable settings file is moved aside unchanged");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzing::ScratchFolder scratch;
    scratch.empty();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto file = scratch.put(fileName, bytes);
    int reports = 0;
    UserDefaults defaults(file, [&](const std::string&) { ++reports; });

    const auto parsed = json::parse(bytes, nullptr, false);
    if (parsed.is_object() && fuzzing::textDepthOf(bytes) <= platform::BoundedJSON::maxDepth) {
        fuzzing::check(settings(defaults) == parsed && reports == 0, "a settings object is read as it is");
    } else {
        fuzzing::check(settings(defaults).empty() && reports == 1, "an unreadable settings file is reported");
        checkMovedAside(scratch.path(), bytes);
    }
    readEverySetting(defaults);

    defaults.set("fuzz.saved", true);
    fuzzing::check(settings(UserDefaults(file)) == settings(defaults), "saved settings read back the same");
    return 0;
}
