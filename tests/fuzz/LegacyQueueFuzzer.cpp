// The oldest queue layout: one file holding a JSON array of events, migrated into
// the queue folder as one record file per event at set-up. The old file must go,
// and every object of the array must arrive as one record holding exactly that
// object; nothing else may arrive.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include <nlohmann/json.hpp>

#include "ZeraZov/Delivery/FileQueue/Private/ZeraZovQueueMigration.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/ScratchFolder.h"

namespace {

namespace fs = std::filesystem;
using nlohmann::json;

// The array's objects as the records should hold them, sorted.
std::vector<std::string> expectedRecords(std::string_view bytes) {
    const auto parsed = json::parse(bytes, nullptr, false);
    std::vector<std::string> records;
    if (!parsed.is_array()) return records;
    for (const auto& element : parsed) {
        if (element.is_object()) records.push_back(element.dump());
    }
    std::sort(records.begin(), records.end());
    return records;
}

std::vector<std::string> migratedRecords(const fs::path& folder) {
    std::vector<std::string> records;
    for (const auto& entry : fs::directory_iterator(folder)) records.push_back(fuzzing::ScratchFolder::read(entry));
    std::sort(records.begin(), records.end());
    return records;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzing::ScratchFolder scratch;
    scratch.empty();
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const auto legacyFile = scratch.put("zerazov.queue.plist", bytes);
    const zerazov::ZeraZovQueueFolder folder(scratch.path() / "zerazov.queueFolder.uuid");
    fuzzing::check(!folder.create(), "the queue folder can be made");

    zerazov::migrateOldQueue(legacyFile, folder);

    fuzzing::check(!fs::exists(legacyFile), "the legacy file is removed");
    fuzzing::check(migratedRecords(folder.path()) == expectedRecords(bytes), "each event arrives once, unchanged");
    return 0;
}
