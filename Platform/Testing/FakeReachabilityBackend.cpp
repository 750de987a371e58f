#include "Platform/Testing/FakeReachabilityBackend.h"

#include <utility>

#include "Platform/Foundation/SerialQueue.h"

namespace platform {

int FakeReachabilityBackend::setChangeHandler(ChangeHandler handler) {
    ChangeHandler replaced;  // destroyed after the lock: its captures may do anything
    std::lock_guard guard(lock_);
    if (handler && changeHandlerError_ != 0) return changeHandlerError_;
    if (handler) ++handlerInstalls_;
    replaced = std::exchange(handler_, std::move(handler));
    return 0;
}

int FakeReachabilityBackend::setDispatchQueue(SerialQueue* queue) {
    std::lock_guard guard(lock_);
    if (dispatchQueueError_ != 0 && queue) return dispatchQueueError_;
    queue_ = queue;
    return 0;
}

ReachabilityBackend::FlagsRead FakeReachabilityBackend::readFlags() {
    std::lock_guard guard(lock_);
    ++readCount_;
    if (readError_ != 0) return {std::nullopt, readError_};
    return {flags_, 0};
}

void FakeReachabilityBackend::setFlags(std::uint32_t flags) {
    std::lock_guard guard(lock_);
    flags_ = flags;
}

bool FakeReachabilityBackend::announce(std::uint32_t flags) {
    ChangeHandler handler;
    SerialQueue* queue = nullptr;
    {
        std::lock_guard guard(lock_);
        flags_ = flags;
        handler = handler_;
        queue = queue_;
    }
    if (!handler || !queue) return false;
    queue->sync([&handler, flags] { handler(flags); });
    return true;
}

void FakeReachabilityBackend::failReads(int error) {
    std::lock_guard guard(lock_);
    readError_ = error;
}

void FakeReachabilityBackend::failSetChangeHandler(int error) {
    std::lock_guard guard(lock_);
    changeHandlerError_ = error;
}

void FakeReachabilityBackend::failSetDispatchQueue(int error) {
    std::lock_guard guard(lock_);
    dispatchQueueError_ = error;
}

bool FakeReachabilityBackend::hasChangeHandler() const {
    std::lock_guard guard(lock_);
    return static_cast<bool>(handler_);
}

bool FakeReachabilityBackend::isScheduled() const {
    std::lock_guard guard(lock_);
    return queue_ != nullptr;
}

int FakeReachabilityBackend::handlerInstalls() const {
    std::lock_guard guard(lock_);
    return handlerInstalls_;
}

int FakeReachabilityBackend::readCount() const {
    std::lock_guard guard(lock_);
    return readCount_;
}

}  // namespace platform
