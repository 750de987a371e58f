#include "Platform/Testing/FakeMenuKeyMonitor.h"

namespace platform {

FakeMenuKeyMonitor::FakeMenuKeyMonitor(std::vector<std::string>* log) : log_(log != nullptr ? log : &ownLog_) {}

void FakeMenuKeyMonitor::start() {
    log_->push_back("monitor start");
    running_ = true;
}

void FakeMenuKeyMonitor::stop() {
    log_->push_back("monitor stop");
    running_ = false;
}

std::optional<bool> FakeMenuKeyMonitor::feed(const KeyboardEvent& event) {
    if (!running_ || !callback_) return std::nullopt;
    const Callback callback = callback_;
    return callback(event);
}

}  // namespace platform
