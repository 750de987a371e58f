#pragma once
#include <mutex>
#include <string>
#include <vector>

#include "Platform/Foundation/Log.h"

namespace platform {

// Collects every logged line while it exists, then puts the previous sink back.
class LogCapture {
public:
    LogCapture();
    ~LogCapture();
    LogCapture(const LogCapture&) = delete;
    LogCapture& operator=(const LogCapture&) = delete;

    std::vector<std::string> lines() const;
    bool contains(const std::string& line) const;
    void clear();

private:
    mutable std::mutex mutex_;
    std::vector<std::string> lines_;
    Log::Sink previous_;
};

}  // namespace platform
