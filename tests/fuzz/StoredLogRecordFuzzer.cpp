// Log records as the logs queue keeps them on disk. Whatever reads as a record
// must store again and read back to the same stored form.
#include <cstddef>
#include <cstdint>
#include <string>

#include "ZeraZov/Integrations/Logs/LogsQueueEndpoint.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using zerazov::LogsQueueEndpoint;
    const auto record = LogsQueueEndpoint::decode(std::string(reinterpret_cast<const char*>(data), size));
    if (!record) return 0;
    const auto stored = LogsQueueEndpoint::encode(*record);
    fuzzing::check(stored.has_value(), "a log record read from a file can be stored again");
    const auto again = LogsQueueEndpoint::decode(*stored);
    fuzzing::check(again.has_value(), "a stored log record reads back");
    fuzzing::check(again->toDictionary() == record->toDictionary(), "a stored log record reads back unchanged");
    return 0;
}
