#pragma once
#include <functional>
#include <memory>
#include <string>
#include <thread>

namespace platform {

// One worker thread running work in FIFO order. sync() waits for its work to run
// and runs it inline when already on this queue. The destructor lets what is
// queued run, then joins; destroyed by its own work (the last owner let go on
// the worker), it leaves the worker to finish the queue by itself instead.
class SerialQueue {
public:
    explicit SerialQueue(std::string label);
    ~SerialQueue();
    SerialQueue(const SerialQueue&) = delete;
    SerialQueue& operator=(const SerialQueue&) = delete;

    const std::string& label() const;
    void async(std::function<void()> work);
    void sync(const std::function<void()>& work);
    bool isCurrent() const;

private:
    struct State;
    static void run(const std::shared_ptr<State>& state);

    // Shared with the worker, which may outlive this object.
    std::shared_ptr<State> state_;
    std::thread worker_;
    std::thread::id workerId_;
};

}  // namespace platform
