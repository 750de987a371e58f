#pragma once

namespace zerazov {

class ZeraZovReplayQueue;

// Whoever records sessions decides when replay events wait on disk instead of
// going out, for instance while a recording may still be thrown away.
class ZeraZovReplayBufferDelegate {
public:
    virtual ~ZeraZovReplayBufferDelegate() = default;

    virtual bool shouldBufferReplayEvents() = 0;
    // Runs on the adding thread, after the event's file is written.
    virtual void replayQueueDidBufferEvent(ZeraZovReplayQueue& queue) = 0;
};

}  // namespace zerazov
