#pragma once
#include <thread>

namespace hotkeys {

// The thread an object of the package was made on. The package keeps its state
// without locks, so every operation must run there (the main thread, in the
// program); a call from elsewhere is reported as a misuse.
class OwningThread {
public:
    OwningThread() : id_(std::this_thread::get_id()) {}

    // `caller` defaults to the calling function's name, so the report names the operation.
    void check(const char* caller = __builtin_FUNCTION()) const;

private:
    std::thread::id id_;
};

}  // namespace hotkeys
