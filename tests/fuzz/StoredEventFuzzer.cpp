// Event records as the event and snapshot queues keep them on disk, one file per
// record. Whatever reads as an event must store again and read back unchanged:
// a record that changed on its way through the queue would upload wrong data.
#include <cstddef>
#include <cstdint>
#include <string>

#include <nlohmann/json.hpp>

#include "ZeraZov/Delivery/Endpoints/Private/ZeraZovStoredBatch.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoints.h"
#include "tests/fuzz/FuzzCheck.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using zerazov::QueueEndpoints;
    const std::string text(reinterpret_cast<const char*>(data), size);
    const auto event = QueueEndpoints::decode(text);
    // A record in the written form goes into a batch body as it stands: it must be
    // JSON that reads as exactly the event it holds.
    if (zerazov::ZeraZovStoredBatch::isWrittenForm(text)) {
        fuzzing::check(event.has_value(), "a record in the written form is an event");
        fuzzing::check(nlohmann::json::parse(text) == event->toJSON(), "a record in the written form is its event");
    }
    if (!event) return 0;
    const auto stored = QueueEndpoints::encode(*event);
    fuzzing::check(stored.has_value(), "an event read from a record can be stored again");
    fuzzing::check(QueueEndpoints::decode(*stored) == event, "a stored event reads back unchanged");
    return 0;
}
