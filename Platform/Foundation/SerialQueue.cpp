#include "Platform/Foundation/SerialQueue.h"

#include <exception>
#include <future>
#include <memory>

#include "Platform/Foundation/Log.h"

namespace platform {

SerialQueue::SerialQueue(std::string label) : label_(std::move(label)) {
    worker_ = std::thread([this] { run(); });
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    worker_.join();
}

void SerialQueue::async(std::function<void()> work) {
    {
        std::lock_guard lock(mutex_);
        work_.push_back(std::move(work));
    }
    wake_.notify_one();
}

void SerialQueue::sync(const std::function<void()>& work) {
    // Queuing behind ourselves would wait forever.
    if (isCurrent()) {
        work();
        return;
    }
    auto done = std::make_shared<std::promise<void>>();
    auto finished = done->get_future();
    async([&work, done] {
        try {
            work();
            done->set_value();
        } catch (...) {
            done->set_exception(std::current_exception());
        }
    });
    finished.get();
}

bool SerialQueue::isCurrent() const { return std::this_thread::get_id() == worker_.get_id(); }

void SerialQueue::run() {
    for (;;) {
        std::function<void()> next;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !work_.empty(); });
            if (work_.empty()) return;
            next = std::move(work_.front());
            work_.pop_front();
        }
        // One throwing job must not take the worker, and every job behind it, down.
        try {
            next();
        } catch (const std::exception& error) {
            Log::write("[Tessivar] %@", "✗ " + label_ + ": " + error.what());
        } catch (...) {
            Log::write("[Tessivar] %@", "✗ " + label_ + ": unknown exception");
        }
    }
}

}  // namespace platform
