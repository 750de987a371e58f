#include "FileQueueTestSupport.h"

#include <algorithm>
#include <charconv>
#include <chrono>
#include <fstream>
#include <limits>

#include <gtest/gtest.h>

#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueFolder.h"

namespace zerazov_file_queue_tests {

std::string recordFor(std::uint64_t id) {
    std::string bytes = "{\"id\":" + std::to_string(id) + ",\"fill\":\"";
    // Up to a few pages, so some writes take more than one block.
    const std::size_t length = 50 + (id * 7919) % 9000;
    for (std::size_t i = 0; i < length; ++i) bytes += static_cast<char>('a' + (id + i) % 26);
    return bytes + "\"}";
}

std::optional<std::uint64_t> idOfRecord(const std::string& bytes) {
    const std::string prefix = "{\"id\":";
    if (!bytes.starts_with(prefix)) return std::nullopt;
    std::uint64_t id = 0;
    const auto [end, error] = std::from_chars(bytes.data() + prefix.size(), bytes.data() + bytes.size(), id);
    if (error != std::errc{} || end == bytes.data() + prefix.size()) return std::nullopt;
    if (bytes != recordFor(id)) return std::nullopt;
    return id;
}

void writeText(const std::filesystem::path& file, const std::string& text) {
    std::ofstream(file, std::ios::binary) << text;
}

void makeOld(const std::filesystem::path& file) {
    std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() - std::chrono::minutes(2));
}

std::vector<std::string> recordFileNames(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        auto name = entry.path().filename().string();
        if (name != zerazov::ZeraZovQueueFolder::spareFolderName) names.push_back(std::move(name));
    }
    std::sort(names.begin(), names.end());
    return names;
}

zerazov::ZeraZovQueueBatch peekAll(zerazov::ZeraZovFileBackedQueue& queue) {
    return queue.peek(std::numeric_limits<std::size_t>::max());
}

std::vector<std::uint64_t> reloadedIds(const std::filesystem::path& folder) {
    zerazov::ZeraZovFileBackedQueue queue(folder);
    queue.setup({});
    const auto batch = peekAll(queue);
    EXPECT_EQ(batch.names.size(), batch.records.size()) << "a queued name without its file";
    std::vector<std::uint64_t> ids;
    for (std::size_t i = 0; i < batch.records.size(); ++i) {
        const auto id = idOfRecord(batch.records[i]);
        EXPECT_TRUE(id.has_value()) << "corrupted record " << batch.names[i] << ": " << batch.records[i].size()
                                    << " bytes";
        if (id) ids.push_back(*id);
    }
    return ids;
}

}  // namespace zerazov_file_queue_tests
