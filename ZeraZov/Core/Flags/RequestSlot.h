#pragma once
#include <mutex>
#include <optional>
#include <utility>

namespace zerazov {

// One request in flight at a time, and one waiting slot behind it: a request
// made while another is in flight waits there, and a newer one displaces it.
template <typename Request>
class RequestSlot {
public:
    struct Admission {
        std::optional<Request> send;       // to send now: nothing was in flight
        std::optional<Request> displaced;  // the waiting request it pushed out
    };

    RequestSlot() = default;
    RequestSlot(const RequestSlot&) = delete;
    RequestSlot& operator=(const RequestSlot&) = delete;

    Admission admit(Request request) {
        std::lock_guard guard(lock_);
        if (!inFlight_) {
            inFlight_ = true;
            return {std::move(request), std::nullopt};
        }
        return {std::nullopt, std::exchange(waiting_, std::move(request))};
    }

    // The request in flight ended; answers the waiting one, which is to be admitted next.
    std::optional<Request> finish() {
        std::lock_guard guard(lock_);
        inFlight_ = false;
        return std::exchange(waiting_, std::nullopt);
    }

private:
    std::mutex lock_;  // guards both fields
    bool inFlight_ = false;
    std::optional<Request> waiting_;
};

}  // namespace zerazov
