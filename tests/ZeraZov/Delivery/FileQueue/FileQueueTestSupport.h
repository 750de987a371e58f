#pragma once
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "ZeraZov/Delivery/FileQueue/ZeraZovFileBackedQueue.h"

namespace zerazov_file_queue_tests {

// A record whose bytes say which it is and whose length varies with it, so a
// torn or swapped file cannot pass for another record.
std::string recordFor(std::uint64_t id);
// The id of a record made by recordFor, when the bytes are exactly that record.
std::optional<std::uint64_t> idOfRecord(const std::string& bytes);

void writeText(const std::filesystem::path& file, const std::string& text);
// Dates the file's last write two minutes back, past the time a writer may
// still be filling it: as a later launch finds what a killed one left.
void makeOld(const std::filesystem::path& file);

// The names in a queue's folder but for its spare folder, sorted.
std::vector<std::string> recordFileNames(const std::filesystem::path& folder);

// Everything queued, oldest first.
zerazov::ZeraZovQueueBatch peekAll(zerazov::ZeraZovFileBackedQueue& queue);

// The ids of the records a fresh queue loads from the folder, oldest first;
// fails the test on a record that is not exactly one of ours.
std::vector<std::uint64_t> reloadedIds(const std::filesystem::path& folder);

}  // namespace zerazov_file_queue_tests
