#pragma once
#include <mutex>
#include <string>
#include <vector>

#include "Hotkeys/Private/Misuse.h"

// Takes the package's misuse reports while it lives, from any thread, instead
// of the default handler that logs and stops a debug build.
class MisuseRecorder {
public:
    MisuseRecorder()
        : previous_(hotkeys::setMisuseHandler([this](const std::string& message) {
              const std::lock_guard lock(mutex_);
              messages_.push_back(message);
          })) {}
    ~MisuseRecorder() { hotkeys::setMisuseHandler(previous_); }
    MisuseRecorder(const MisuseRecorder&) = delete;
    MisuseRecorder& operator=(const MisuseRecorder&) = delete;

    // The reports so far; the list starts empty again.
    std::vector<std::string> take() {
        const std::lock_guard lock(mutex_);
        return std::exchange(messages_, {});
    }

private:
    std::mutex mutex_;
    std::vector<std::string> messages_;
    hotkeys::MisuseHandler previous_;
};
