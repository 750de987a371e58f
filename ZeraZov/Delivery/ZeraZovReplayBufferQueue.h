#pragma once
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

namespace zerazov {

// Replay events parked as files, one per event, named by a time-ordered id so the
// folder listing is also the order they came in.
class ZeraZovReplayBufferQueue {
public:
    // Files already in the folder are picked up, oldest first; a caller that wants
    // a clean start calls resetBufferFolder().
    explicit ZeraZovReplayBufferQueue(std::filesystem::path folder);
    ZeraZovReplayBufferQueue(const ZeraZovReplayBufferQueue&) = delete;
    ZeraZovReplayBufferQueue& operator=(const ZeraZovReplayBufferQueue&) = delete;

    // Throws away whatever an earlier run left behind.
    void resetBufferFolder();
    // Writes the bytes as a new file; a failed write leaves the items as they were.
    void add(const std::string& bytes);
    // Empties the buffer and answers the stored bytes, oldest first; files that
    // cannot be read are left out.
    std::vector<std::string> takeAll();

    std::size_t depth() const;
    std::vector<std::string> items() const;
    const std::filesystem::path& folder() const { return queue_; }

private:
    static std::vector<std::string> namesInFolder(const std::filesystem::path& folder);

    const std::filesystem::path queue_;
    mutable std::mutex itemsLock_;  // guards items_
    std::vector<std::string> items_;
};

}  // namespace zerazov
