#pragma once
#include <algorithm>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "Platform/Foundation/Log.h"

namespace platform {

// Collects every logged line while it exists, then puts the previous sink back.
class LogCapture {
public:
    LogCapture() {
        previous_ = Log::setSink([this](const std::string& line) {
            std::lock_guard lock(mutex_);
            lines_.push_back(line);
        });
    }
    ~LogCapture() { Log::setSink(std::move(previous_)); }
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const {
        std::lock_guard lock(mutex_);
        return lines_;
    }
    bool contains(const std::string& line) const {
        std::lock_guard lock(mutex_);
        return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
    }
    void clear() {
        std::lock_guard lock(mutex_);
        lines_.clear();
    }

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    Log::Sink previous_;
};

}  // namespace platform
