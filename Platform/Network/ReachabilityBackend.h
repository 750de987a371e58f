#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

namespace platform {

class SerialQueue;

// The reachability flag bits the analytics client reasons about. A backend sets the
// ones its system can tell; on Linux that is `reachable` alone.
struct ReachabilityFlags {
    static constexpr std::uint32_t transientConnection = 0x1;
    static constexpr std::uint32_t reachable = 0x2;
    static constexpr std::uint32_t connectionRequired = 0x4;
    static constexpr std::uint32_t connectionOnTraffic = 0x8;
    static constexpr std::uint32_t interventionRequired = 0x10;
    static constexpr std::uint32_t connectionOnDemand = 0x20;
    static constexpr std::uint32_t isLocalAddress = 0x10000;
    static constexpr std::uint32_t isDirect = 0x20000;
};

// The system's view of whether the internet can be reached at all, as the
// reachability monitor uses it: read the current flags (ReachabilityFlags bits) on
// demand, and have a change handler called on a serial queue when they may have
// changed. Every failure is an error code (errno values on Linux); nothing throws.
class ReachabilityBackend {
public:
    // Told the flags as they are after a change; may be told the same flags again.
    using ChangeHandler = std::function<void(std::uint32_t flags)>;

    struct FlagsRead {
        std::optional<std::uint32_t> flags;  // nothing when the read failed
        int error = 0;
    };

    // A backend, or nothing and the code of what kept it from coming up.
    struct Created {
        std::unique_ptr<ReachabilityBackend> backend;
        int error = 0;
    };

    virtual ~ReachabilityBackend() = default;

    // Installs the change handler, or removes it when empty. Answers 0 or an error code.
    [[nodiscard]] virtual int setChangeHandler(ChangeHandler handler) = 0;
    // Starts watching, with the handler run on `queue`; nullptr stops watching, and
    // once that returns no new handler call gets queued. Answers 0 or an error code.
    [[nodiscard]] virtual int setDispatchQueue(SerialQueue* queue) = 0;
    // The flags as they are now. Thread-safe; bounded in time.
    virtual FlagsRead readFlags() = 0;
};

}  // namespace platform
