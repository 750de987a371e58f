#pragma once
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <memory>
#include <mutex>

#include "ZeraZov/Delivery/QueueEndpoint.h"

namespace zerazov {

// Counts the uploads of an endpoint that have been sent and not yet answered, so
// that a program about to exit can give its last flush a bounded chance to finish.
class ZeraZovUploadTracker : public std::enable_shared_from_this<ZeraZovUploadTracker> {
public:
    // The same endpoint, its uploads counted from the send to the answer.
    template <typename Record>
    QueueEndpoint<Record> tracking(QueueEndpoint<Record> endpoint) {
        if (endpoint.send) endpoint.send = counted(std::move(endpoint.send));
        if (endpoint.sendWireForms) endpoint.sendWireForms = counted(std::move(endpoint.sendWireForms));
        return endpoint;
    }

    // True once nothing is in flight; false when the deadline came first.
    bool waitUntilIdle(std::chrono::steady_clock::time_point deadline);
    std::size_t inFlight() const;

private:
    using Completion = std::function<void(ZeraZovUploadInfo)>;

    template <typename Batch>
    std::function<void(Batch, Completion)> counted(std::function<void(Batch, Completion)> send) {
        return [weak = weak_from_this(), send = std::move(send)](Batch batch, Completion completion) {
            auto self = weak.lock();
            if (!self) return send(std::move(batch), std::move(completion));
            self->began();
            try {
                send(std::move(batch), [self, completion = std::move(completion)](ZeraZovUploadInfo info) {
                    if (completion) completion(std::move(info));
                    self->ended();
                });
            } catch (...) {
                // The queue counts an upload that could not start as one without an answer.
                self->ended();
                throw;
            }
        };
    }

    void began();
    void ended();

    mutable std::mutex lock_;  // guards inFlight_
    std::condition_variable idle_;
    std::size_t inFlight_ = 0;
};

}  // namespace zerazov
