#pragma once
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include <curl/curl.h>

#include "ZeraZov/Delivery/Api/Private/ZeraZovHttpTransfer.h"

namespace zerazov {

// The loop of the transport's one thread: it drives every transfer on a libcurl multi
// handle and runs their completions, so it is also the client's completion queue.
// Other threads only hand transfers in and ask it to stop.
class ZeraZovHttpWorker {
public:
    explicit ZeraZovHttpWorker(std::optional<std::string> caFile);
    ~ZeraZovHttpWorker();
    ZeraZovHttpWorker(const ZeraZovHttpWorker&) = delete;
    ZeraZovHttpWorker& operator=(const ZeraZovHttpWorker&) = delete;

    // Any thread.
    void send(ZeraZovHttpRequest request, ZeraZovHttpTransfer::Completion completion);
    // Any thread; transfers still open then end with a transport error.
    void stop();
    // The worker thread's body; returns once stopped and every transfer has completed.
    void run();

private:
    bool startIncoming();
    void start(std::unique_ptr<ZeraZovHttpTransfer> transfer);
    void finishCompleted();
    std::unique_ptr<ZeraZovHttpTransfer> takeActive(CURL* handle);
    void cancelActive();
    void wake();

    const std::optional<std::string> caFile_;
    CURLM* const multi_;

    std::mutex incomingLock_;
    std::vector<std::unique_ptr<ZeraZovHttpTransfer>> incoming_;
    bool stopping_ = false;

    // Only the worker thread touches these.
    std::vector<std::unique_ptr<ZeraZovHttpTransfer>> active_;
};

}  // namespace zerazov
