#include "ZeraZov/Integrations/Replay/ZeraZovReplayQueue.h"

#include <string>
#include <utility>

#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/Endpoints/QueueEndpoints.h"

namespace zerazov {

std::unique_ptr<ZeraZovReplayQueue> ZeraZovReplayQueue::create(std::shared_ptr<const ZeraZovConfig> config,
                                                               const ZeraZovStorage& storage,
                                                               std::shared_ptr<Reachability> reachability,
                                                               std::shared_ptr<const ZeraZovApi> api,
                                                               platform::MainQueue& mainQueue,
                                                               const platform::Clock& clock) {
    auto inner = ZeraZovQueue<ZeraZovEvent>::create(std::move(config), storage, std::move(reachability),
                                                    QueueEndpoints::snapshots(std::move(api)), mainQueue, clock);
    auto queue = std::make_unique<ZeraZovReplayQueue>(std::move(inner),
                                                      storage.folder(ZeraZovStorage::StorageKey::replayBufferQueue));
    queue->bufferQueue().resetBufferFolder();
    return queue;
}

ZeraZovReplayQueue::ZeraZovReplayQueue(std::shared_ptr<ZeraZovQueue<ZeraZovEvent>> innerQueue,
                                       platform::PrivateFolder bufferFolder)
    : innerQueue_(std::move(innerQueue)), bufferQueue_(std::move(bufferFolder)) {}

void ZeraZovReplayQueue::setBufferDelegate(std::weak_ptr<ZeraZovReplayBufferDelegate> delegate) {
    std::lock_guard guard(delegateLock_);
    bufferDelegate_ = std::move(delegate);
}

std::shared_ptr<ZeraZovReplayBufferDelegate> ZeraZovReplayQueue::delegate() const {
    std::lock_guard guard(delegateLock_);
    return bufferDelegate_.lock();
}

std::shared_ptr<ZeraZovReplayBufferDelegate> ZeraZovReplayQueue::bufferingDelegate() const {
    auto current = delegate();
    if (!current || !current->shouldBufferReplayEvents()) return nullptr;
    return current;
}

void ZeraZovReplayQueue::add(const ZeraZovEvent& event) {
    if (bufferingDelegate()) {
        buffer(event);
        return;
    }
    handOverBuffered();
    innerQueue_->add(event);
}

void ZeraZovReplayQueue::buffer(const ZeraZovEvent& event) {
    // The JSON writer drops what it cannot write, so this answers nothing only for
    // an event with no fields left at all.
    const auto bytes = QueueEndpoints::encode(event);
    if (!bytes) {
        ZeraZovDebugLog::write("Tried to buffer unserialisable ZeraZovEvent");
        return;
    }
    // A write that failed was logged by the buffer; the event is not buffered.
    if (!bufferQueue_.add(*bytes)) return;
    ZeraZovDebugLog::write("Buffered replay event '" + event.event +
                           "'. Buffer depth: " + std::to_string(bufferQueue_.depth()));
    // The delegate may have gone while the file was written.
    if (auto current = delegate()) current->replayQueueDidBufferEvent(*this);
}

void ZeraZovReplayQueue::handOverBuffered() {
    for (const auto& bytes : bufferQueue_.takeAll()) {
        auto event = QueueEndpoints::decode(bytes);
        if (!event) {
            ZeraZovDebugLog::write("Dropping a buffered replay event that could not be read back");
            continue;
        }
        // Quiet adds: one flush decision for the whole hand-over, not one per event.
        innerQueue_->add(*event, {});
    }
}

void ZeraZovReplayQueue::flush() {
    if (bufferingDelegate()) {
        ZeraZovDebugLog::write("Replay queue flush suppressed — still buffering");
        return;
    }
    handOverBuffered();
    if (!innerQueue_->canFlush()) return;
    innerQueue_->flush();
}

}  // namespace zerazov
