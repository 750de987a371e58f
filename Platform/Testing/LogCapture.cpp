#include "Platform/Testing/LogCapture.h"

#include <algorithm>

namespace platform {

LogCapture::LogCapture() {
    previous_ = Log::setSink([this](const std::string& line) {
        std::lock_guard lock(mutex_);
        lines_.push_back(line);
    });
}

LogCapture::~LogCapture() { Log::setSink(std::move(previous_)); }

std::vector<std::string> LogCapture::lines() const {
    std::lock_guard lock(mutex_);
    return lines_;
}

bool LogCapture::contains(const std::string& line) const {
    std::lock_guard lock(mutex_);
    return std::find(lines_.begin(), lines_.end(), line) != lines_.end();
}

void LogCapture::clear() {
    std::lock_guard lock(mutex_);
    lines_.clear();
}

}  // namespace platform
