#include "ZeraZov/Delivery/ZeraZovReplayBufferQueue.h"

#include <algorithm>
#include <cerrno>
#include <fstream>
#include <iterator>
#include <optional>
#include <system_error>
#include <utility>

#include "ZeraZov/Core/FileUtils.h"
#include "ZeraZov/Core/TimeBasedEpochGenerator.h"
#include "ZeraZov/Core/ZeraZovDebugLog.h"

namespace zerazov {
namespace {

// Streams keep no error of their own; errno still holds the system's reason.
std::error_code writeFile(const std::filesystem::path& path, const std::string& bytes) {
    errno = 0;
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    if (out) out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (out) return {};
    return std::error_code(errno != 0 ? errno : EIO, std::generic_category());
}

std::optional<std::string> readFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

ZeraZovReplayBufferQueue::ZeraZovReplayBufferQueue(std::filesystem::path folder)
    : queue_(std::move(folder)), items_(namesInFolder(queue_)) {}

std::vector<std::string> ZeraZovReplayBufferQueue::namesInFolder(const std::filesystem::path& folder) {
    std::vector<std::string> names;
    std::error_code error;
    for (std::filesystem::directory_iterator it(folder, error), end; !error && it != end; it.increment(error)) {
        if (it->is_regular_file(error)) names.push_back(it->path().filename().string());
    }
    // Time-ordered ids sort by when they were made.
    std::sort(names.begin(), names.end());
    return names;
}

void ZeraZovReplayBufferQueue::resetBufferFolder() {
    deleteSafely(queue_);
    std::error_code error;
    std::filesystem::create_directories(queue_, error);
    if (error) ZeraZovDebugLog::write("Error trying to create replay buffer folder " + error.message());
    std::lock_guard guard(itemsLock_);
    items_.clear();
}

void ZeraZovReplayBufferQueue::add(const std::string& bytes) {
    const auto name = TimeBasedEpochGenerator::shared().v7().uuidString();
    if (const auto error = writeFile(queue_ / name, bytes)) {
        ZeraZovDebugLog::write("Could not write replay buffer file " + error.message());
        return;
    }
    std::lock_guard guard(itemsLock_);
    items_.push_back(name);
}

std::vector<std::string> ZeraZovReplayBufferQueue::takeAll() {
    std::vector<std::string> names;
    {
        std::lock_guard guard(itemsLock_);
        names.swap(items_);
    }
    std::vector<std::string> stored;
    for (const auto& name : names) {
        if (auto bytes = readFile(queue_ / name)) stored.push_back(std::move(*bytes));
        deleteSafely(queue_ / name);
    }
    return stored;
}

std::size_t ZeraZovReplayBufferQueue::depth() const {
    std::lock_guard guard(itemsLock_);
    return items_.size();
}

std::vector<std::string> ZeraZovReplayBufferQueue::items() const {
    std::lock_guard guard(itemsLock_);
    return items_;
}

}  // namespace zerazov
