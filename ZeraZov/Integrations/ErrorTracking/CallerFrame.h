#pragma once
#include <cstdint>
#include <optional>

namespace zerazov {

// Where the application called into the client on this thread, so that a stack the
// client samples can begin at the caller's frame: known by address, it needs no
// exported names and holds however the client is linked into the program (a code
// range would not: linked into the program, the client's code is spread among the
// program's own, and inlined and template code lands wherever the linker keeps it).
//
// Each client operation that leads to a stack being sampled opens one on entry with
// its own return address (__builtin_return_address(0)), and is kept out of line so
// that this address lies in its caller. The outermost one of the thread counts; one
// opened inside it changes nothing.
class CallerFrame {
public:
    explicit CallerFrame(const void* returnAddress) noexcept;
    ~CallerFrame();
    CallerFrame(const CallerFrame&) = delete;
    CallerFrame& operator=(const CallerFrame&) = delete;

    // The outermost open one's return address on this thread; nothing when none is open.
    static std::optional<std::uint64_t> returnAddress() noexcept;

private:
    bool outermost_;
};

}  // namespace zerazov
