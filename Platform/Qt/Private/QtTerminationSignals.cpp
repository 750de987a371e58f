#include "Platform/Qt/Private/QtTerminationSignals.h"

#include <sys/socket.h>
#include <unistd.h>
#include <QSocketNotifier>
#include <atomic>
#include <cerrno>
#include <string>

#include "Platform/Foundation/Log.h"

namespace platform {
namespace {

constexpr std::string_view kLogFormat = "[Tessivar] %@";

// Read by the signal handler, so it must be lock-free.
std::atomic<int> gSignalWriteFd{-1};
static_assert(std::atomic<int>::is_always_lock_free);

void onTerminationSignal(int) {
    const int savedErrno = errno;
    const char byte = 1;
    // A full socket already holds a pending wake-up, so a failed write loses nothing.
    [[maybe_unused]] const ssize_t written = ::write(gSignalWriteFd.load(), &byte, 1);
    errno = savedErrno;
}

bool installHandler(int signal, struct sigaction* previous) {
    struct sigaction action {};
    action.sa_handler = onTerminationSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    return sigaction(signal, &action, previous) == 0;
}

}  // namespace

QtTerminationSignals::QtTerminationSignals(std::function<void()> onSignal) : onSignal_(std::move(onSignal)) {
    if (gSignalWriteFd.load() != -1) {
        Log::write(kLogFormat, "SIGTERM/SIGINT already handled by another instance");
        return;
    }
    int fds[2];
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, fds) != 0) {
        Log::write(kLogFormat, "cannot create the termination signal socket: " + std::to_string(errno));
        return;
    }
    readFd_.reset(fds[0]);
    writeFd_.reset(fds[1]);
    gSignalWriteFd.store(writeFd_.get());
    if (!installHandler(SIGTERM, &previousTerm_) || !installHandler(SIGINT, &previousInt_)) {
        Log::write(kLogFormat, "cannot install the termination signal handlers: " + std::to_string(errno));
        uninstall();
        return;
    }
    notifier_ = std::make_unique<QSocketNotifier>(readFd_.get(), QSocketNotifier::Read);
    QObject::connect(notifier_.get(), &QSocketNotifier::activated, notifier_.get(), [this] { drain(); });
}

QtTerminationSignals::~QtTerminationSignals() { uninstall(); }

bool QtTerminationSignals::isInstalled() const { return notifier_ != nullptr; }

void QtTerminationSignals::drain() {
    char buffer[64];
    while (::read(readFd_.get(), buffer, sizeof buffer) > 0) {}
    onSignal_();
}

void QtTerminationSignals::uninstall() {
    if (!readFd_.valid()) return;
    notifier_.reset();
    // Handlers first: no signal may find the socket closed.
    sigaction(SIGTERM, &previousTerm_, nullptr);
    sigaction(SIGINT, &previousInt_, nullptr);
    gSignalWriteFd.store(-1);
    readFd_.reset();
    writeFd_.reset();
}

}  // namespace platform
