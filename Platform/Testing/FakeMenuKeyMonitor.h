#pragma once
#include <optional>
#include <string>
#include <vector>

#include "Platform/HotKeys/MenuKeyMonitor.h"

namespace platform {

// A menu key monitor that writes "monitor start" and "monitor stop" down and
// hands the keys a test feeds it to the callback while it runs, as an open
// menu's keys would be.
class FakeMenuKeyMonitor : public MenuKeyMonitor {
public:
    // Writes into `log` (for example the fake hot-key service's calls, so one
    // list shows the whole sequence), or into a list of its own.
    explicit FakeMenuKeyMonitor(std::vector<std::string>* log = nullptr) : log_(log != nullptr ? log : &ownLog_) {}
    FakeMenuKeyMonitor(const FakeMenuKeyMonitor&) = delete;
    FakeMenuKeyMonitor& operator=(const FakeMenuKeyMonitor&) = delete;

    void setCallback(Callback callback) override { callback_ = std::move(callback); }
    void start() override {
        log_->push_back("monitor start");
        running_ = true;
    }
    void stop() override {
        log_->push_back("monitor stop");
        running_ = false;
    }

    bool isRunning() const { return running_; }
    const std::vector<std::string>& calls() const { return *log_; }
    // Whether the callback consumed the key; nothing when the monitor is not
    // running or has no callback.
    std::optional<bool> feed(const KeyboardEvent& event) {
        if (!running_ || !callback_) return std::nullopt;
        const Callback callback = callback_;
        return callback(event);
    }

private:
    std::vector<std::string> ownLog_;
    std::vector<std::string>* log_;
    Callback callback_;
    bool running_ = false;
};

}  // namespace platform
