#pragma once
#include <cstddef>
#include <filesystem>
#include <mutex>
#include <string>
#include <vector>

#include "ZeraZov/Delivery/FileQueue/ZeraZovQueueFolder.h"

namespace zerazov {

// Replay events parked as files, one per event, named by a time-ordered id, in a
// folder kept like a record queue's (whole files or none, stray temporary files
// cleared when it is read).
class ZeraZovReplayBufferQueue {
public:
    // Files already in the folder are picked up, oldest first; a caller that wants
    // a clean start calls resetBufferFolder().
    explicit ZeraZovReplayBufferQueue(platform::PrivateFolder folder);
    ZeraZovReplayBufferQueue(const ZeraZovReplayBufferQueue&) = delete;
    ZeraZovReplayBufferQueue& operator=(const ZeraZovReplayBufferQueue&) = delete;

    // Throws away whatever an earlier run left behind.
    void resetBufferFolder();
    // Writes the bytes as a new file; false, with the items as they were, when it
    // could not be written.
    bool add(const std::string& bytes);
    // Empties the buffer and answers the stored bytes, oldest first; files that
    // cannot be read are logged and left out.
    std::vector<std::string> takeAll();

    std::size_t depth() const;
    std::vector<std::string> items() const;
    const std::filesystem::path& folder() const { return queue_.path(); }

private:
    static std::vector<std::string> namesInFolder(const ZeraZovQueueFolder& folder);

    const ZeraZovQueueFolder queue_;
    mutable std::mutex itemsLock_;  // guards items_
    std::vector<std::string> items_;
};

}  // namespace zerazov
