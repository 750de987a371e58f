#pragma once
#include <filesystem>

#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueFolder.h"

namespace zerazov {

// Brings the records of an older queue layout into the queue folder and removes
// the old location: a folder of record files is moved over file by file; a
// single file holding a JSON array of events becomes one record file per event,
// named by the event's timestamp. Nothing at the location: nothing happens.
// Failures are logged; the old location is removed in every case.
void migrateOldQueue(const std::filesystem::path& oldLocation, const ZeraZovQueueFolder& folder);

}  // namespace zerazov
