#pragma once
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <functional>
#include <memory>
#include <mutex>

#include "ZeraZov/Delivery/Endpoints/QueueEndpoint.h"

namespace zerazov {

// Counts the uploads of an endpoint that have been sent and not yet answered, so
// that a program about to exit can give its last flush a bounded chance to finish.
class ZeraZovUploadTracker : public std::enable_shared_from_this<ZeraZovUploadTracker> {
public:
    // The same endpoint, its uploads counted from the send to the answer.
    template <typename Record>
    QueueEndpoint<Record> tracking(QueueEndpoint<Record> endpoint) {
        if (endpoint.send) endpoint.send = counted(std::move(endpoint.send));
        if (endpoint.prepareWireForms) {
            endpoint.prepareWireForms = countedWhenSent(std::move(endpoint.prepareWireForms));
        }
        return endpoint;
    }

    // True once nothing is in flight; false when the deadline came first.
    bool waitUntilIdle(std::chrono::steady_clock::time_point deadline);
    std::size_t inFlight() const;

private:
    using Completion = std::function<void(ZeraZovUploadInfo)>;
    using Start = std::function<void(Completion)>;

    template <typename Batch>
    std::function<void(Batch, Completion)> counted(std::function<void(Batch, Completion)> send) {
        return [weak = weak_from_this(), send = std::move(send)](Batch batch, Completion completion) {
            startCounted(
                weak, [&](Completion ending) { send(std::move(batch), std::move(ending)); }, std::move(completion));
        };
    }

    // An upload made ready ahead counts from the moment it is sent.
    template <typename Batch>
    std::function<Start(Batch)> countedWhenSent(std::function<Start(Batch)> prepare) {
        return [weak = weak_from_this(), prepare = std::move(prepare)](Batch batch) {
            return Start([weak, start = prepare(std::move(batch))](Completion completion) {
                startCounted(weak, start, std::move(completion));
            });
        };
    }

    // Runs `start`, counting the upload from now until its completion.
    static void startCounted(const std::weak_ptr<ZeraZovUploadTracker>& weak, const Start& start,
                             Completion completion);

    void began();
    void ended();

    mutable std::mutex lock_;  // guards inFlight_
    std::condition_variable idle_;
    std::size_t inFlight_ = 0;
};

}  // namespace zerazov
