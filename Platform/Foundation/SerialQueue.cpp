#include "Platform/Foundation/SerialQueue.h"

#include <condition_variable>
#include <deque>
#include <exception>
#include <future>
#include <memory>
#include <mutex>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/ThreadStart.h"

namespace platform {

struct SerialQueue::State {
    explicit State(std::string name) : label(std::move(name)) {}

    const std::string label;
    std::mutex mutex;  // guards work and stopping
    std::condition_variable wake;
    std::deque<std::function<void()>> work;
    bool stopping = false;
};

SerialQueue::SerialQueue(std::string label) : state_(std::make_shared<State>(std::move(label))) {
    worker_ = startThread([state = state_] { run(state); });
    workerId_ = worker_.get_id();
}

SerialQueue::~SerialQueue() {
    {
        std::lock_guard lock(state_->mutex);
        state_->stopping = true;
    }
    state_->wake.notify_one();
    // Joining from the worker itself would throw inside this destructor.
    if (isCurrent()) {
        worker_.detach();
        return;
    }
    worker_.join();
}

const std::string& SerialQueue::label() const { return state_->label; }

void SerialQueue::async(std::function<void()> work) {
    {
        std::lock_guard lock(state_->mutex);
        state_->work.push_back(std::move(work));
    }
    state_->wake.notify_one();
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

bool SerialQueue::isCurrent() const { return std::this_thread::get_id() == workerId_; }

void SerialQueue::run(const std::shared_ptr<State>& state) {
    for (;;) {
        std::function<void()> next;
        {
            std::unique_lock lock(state->mutex);
            state->wake.wait(lock, [&state] { return state->stopping || !state->work.empty(); });
            if (state->work.empty()) return;
            next = std::move(state->work.front());
            state->work.pop_front();
        }
        // One throwing job must not take the worker, and every job behind it, down.
        try {
            next();
        } catch (const std::exception& error) {
            Log::write("[Tessivar] %@", "✗ " + state->label + ": " + error.what());
        } catch (...) {
            Log::write("[Tessivar] %@", "✗ " + state->label + ": unknown exception");
        }
    }
}

}  // namespace platform
