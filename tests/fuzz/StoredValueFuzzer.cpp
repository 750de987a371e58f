// The client's stored values: one JSON file per key in the project folder. The
// first line names the key by its file name (the distinct id when it names none),
// the rest is the file. Every typed read that answers must answer the same after
// its value is stored again, and so must an object or array read as it is.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include <nlohmann/json.hpp>

#include "ZeraZov/Core/Storage/ZeraZovStorage.h"
#include "tests/fuzz/FuzzCheck.h"
#include "tests/fuzz/ScratchFolder.h"

namespace {

using nlohmann::json;
using zerazov::ZeraZovStorage;
using Key = ZeraZovStorage::StorageKey;

struct StoredFile {
    Key key;
    std::string_view bytes;
};

StoredFile storedFile(std::string_view input) {
    const auto lineEnd = input.find('\n');
    if (lineEnd == std::string_view::npos) return {Key::distinctId, input};
    const auto key = ZeraZovStorage::storageKey(input.substr(0, lineEnd));
    return {key.value_or(Key::distinctId), input.substr(lineEnd + 1)};
}

template <typename Read, typename Value>
void checkStoredAgain(const ZeraZovStorage& storage, Key key, Read read, const Value& value, const char* invariant) {
    storage.setJSON(key, value);
    fuzzing::check(read() == value, invariant);
}

void checkReads(const ZeraZovStorage& storage, Key key) {
    const auto value = storage.getJSON(key);
    const auto text = storage.getString(key);
    const auto flag = storage.getBool(key);
    const auto number = storage.getNumber(key);
    if (text)
        checkStoredAgain(
            storage, key, [&] { return storage.getString(key); }, *text, "a text reads back");
    if (flag)
        checkStoredAgain(
            storage, key, [&] { return storage.getBool(key); }, *flag, "a flag reads back");
    if (number)
        checkStoredAgain(
            storage, key, [&] { return storage.getNumber(key); }, *number, "a number reads back");
    if (value && value->is_structured()) {
        checkStoredAgain(
            storage, key, [&] { return storage.getJSON(key); }, *value, "an object or array reads back");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static const fuzzing::ScratchFolder scratch;
    scratch.empty();
    const ZeraZovStorage storage(scratch.path(), "zzk_fuzz");
    const auto file = storedFile(std::string_view(reinterpret_cast<const char*>(data), size));
    scratch.put(std::string("zzk_fuzz/").append(ZeraZovStorage::rawValue(file.key)), file.bytes);
    checkReads(storage, file.key);
    return 0;
}
