#pragma once
#include <csignal>
#include <functional>
#include <memory>

#include "Platform/Foundation/UniqueFd.h"

class QSocketNotifier;

namespace platform {

// Turns SIGTERM and SIGINT into a call on the Qt event loop. The handler only
// writes one byte into a socket pair (write is async-signal-safe); the event
// loop reads it and runs `onSignal`, where any code may run. One instance per
// process; the previous handlers come back when it is destroyed.
class QtTerminationSignals {
public:
    explicit QtTerminationSignals(std::function<void()> onSignal);
    ~QtTerminationSignals();
    QtTerminationSignals(const QtTerminationSignals&) = delete;
    QtTerminationSignals& operator=(const QtTerminationSignals&) = delete;

    // False when the socket pair or the handlers could not be set up, or another
    // instance already owns the signals.
    bool isInstalled() const;

private:
    void drain();
    void uninstall();

    std::function<void()> onSignal_;
    UniqueFd readFd_;
    UniqueFd writeFd_;
    struct sigaction previousTerm_ {};
    struct sigaction previousInt_ {};
    std::unique_ptr<QSocketNotifier> notifier_;
};

}  // namespace platform
