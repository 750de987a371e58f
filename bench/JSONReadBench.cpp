// JSON read on the launch and upload paths, each beside the JSON library's own
// parse of the same bytes: the settings file and a shortcut record as the
// nesting bound reads them (parsed and measured in one reading), and a stored
// event checked for the form the client writes, which builds nothing.
#include <string>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/BoundedJSON.h"
#include "RatioReporter.h"
#include "SampleEvent.h"
#include "ZeraZov/Delivery/Endpoints/Private/ZeraZovStoredBatch.h"

namespace {

using nlohmann::json;

const std::string shortcutRecord = R"({"carbonKeyCode":18,"carbonModifiers":2048})";

// A settings file after onboarding, with all eight display shortcuts stored,
// one setting a line as the settings store writes it.
std::string settingsFile() {
    std::string text =
        "{\n  \"analytics_enabled\": true,\n  \"anonymous_distinct_id\": "
        "\"0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0B\",\n  \"hasCompletedOnboarding\": true";
    for (int screen = 1; screen <= 8; ++screen) {
        const std::string record = R"({"carbonKeyCode":)" + std::to_string(17 + screen) + R"(,"carbonModifiers":2048})";
        text += ",\n  \"Hotkeys_jumpToScreen" + std::to_string(screen) + "\": " + json(record).dump();
    }
    return text + ",\n  \"rememberLastPosition\": true,\n  \"visualEffectType\": \"ripple\"\n}\n";
}

const std::string settings = settingsFile();
const std::string storedEvent =
    tessivar::bench::sampleEvent("0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0C", "2024-05-01T12:00:00.123Z").dump();

void read(benchmark::State& state, const std::string& bytes) {
    for (auto _ : state) {
        auto result = platform::BoundedJSON::parse(bytes);
        if (!result) state.SkipWithError("unread");
        benchmark::DoNotOptimize(result);
    }
}

void libraryParse(benchmark::State& state, const std::string& bytes) {
    for (auto _ : state) benchmark::DoNotOptimize(json::parse(bytes));
}

void SettingsFileRead(benchmark::State& state) { read(state, settings); }
void SettingsFileLibraryParse(benchmark::State& state) { libraryParse(state, settings); }
void ShortcutRecordRead(benchmark::State& state) { read(state, shortcutRecord); }
void ShortcutRecordLibraryParse(benchmark::State& state) { libraryParse(state, shortcutRecord); }

void StoredEventFormCheck(benchmark::State& state) {
    for (auto _ : state) {
        if (!zerazov::ZeraZovStoredBatch::isWrittenForm(storedEvent)) state.SkipWithError("not in the written form");
    }
}
void StoredEventLibraryParse(benchmark::State& state) { libraryParse(state, storedEvent); }

BENCHMARK(SettingsFileRead);
BENCHMARK(SettingsFileLibraryParse);
BENCHMARK(ShortcutRecordRead);
BENCHMARK(ShortcutRecordLibraryParse);
BENCHMARK(StoredEventFormCheck);
BENCHMARK(StoredEventLibraryParse);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    tessivar::bench::RatioReporter reporter({{"SettingsFileRead", "SettingsFileLibraryParse"},
                                             {"ShortcutRecordRead", "ShortcutRecordLibraryParse"},
                                             {"StoredEventFormCheck", "StoredEventLibraryParse"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
