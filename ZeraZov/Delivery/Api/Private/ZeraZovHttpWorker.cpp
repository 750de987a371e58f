#include "ZeraZov/Delivery/Api/Private/ZeraZovHttpWorker.h"

#include <algorithm>
#include <limits>
#include <utility>

#include "ZeraZov/Delivery/Api/Private/ZeraZovCurl.h"

namespace zerazov {
namespace {

// Upper bound of one wait while transfers run (libcurl's own timers end it sooner).
constexpr int transferWaitMilliseconds = 1000;
// With nothing to transfer the loop sleeps until send() or stop() wakes it: a
// program that sends nothing is never woken by its HTTP client.
constexpr int idleWaitMilliseconds = std::numeric_limits<int>::max();

CURLM* makeMulti() {
    const ZeraZovCurl* curl = ZeraZovCurl::library();
    if (curl == nullptr) return nullptr;
    static std::once_flag once;
    std::call_once(once, [curl] { curl->global_init(CURL_GLOBAL_DEFAULT); });
    return curl->multi_init();
}

}  // namespace

ZeraZovHttpWorker::ZeraZovHttpWorker(std::optional<std::string> caFile)
    : caFile_(std::move(caFile)), multi_(makeMulti()) {}

ZeraZovHttpWorker::~ZeraZovHttpWorker() {
    if (multi_ != nullptr) ZeraZovCurl::loaded().multi_cleanup(multi_);
}

void ZeraZovHttpWorker::send(ZeraZovHttpRequest request, ZeraZovHttpTransfer::Completion completion) {
    auto transfer = std::make_unique<ZeraZovHttpTransfer>(std::move(request), caFile_, std::move(completion));
    // Without a multi handle (libcurl missing or out of memory) no loop runs to complete it later.
    if (multi_ == nullptr) return transfer->finish(CURLE_OUT_OF_MEMORY);
    {
        std::lock_guard guard(incomingLock_);
        incoming_.push_back(std::move(transfer));
    }
    wake();
}

void ZeraZovHttpWorker::stop() {
    {
        std::lock_guard guard(incomingLock_);
        stopping_ = true;
    }
    wake();
}

void ZeraZovHttpWorker::wake() {
    if (multi_ != nullptr) ZeraZovCurl::loaded().multi_wakeup(multi_);
}

void ZeraZovHttpWorker::run() {
    if (multi_ == nullptr) return;
    while (startIncoming()) {
        int running = 0;
        ZeraZovCurl::loaded().multi_perform(multi_, &running);
        finishCompleted();
        ZeraZovCurl::loaded().multi_poll(multi_, nullptr, 0,
                                         active_.empty() ? idleWaitMilliseconds : transferWaitMilliseconds, nullptr);
    }
    cancelActive();
}

// Moves the handed-in transfers onto the multi handle; false once stop() was called.
bool ZeraZovHttpWorker::startIncoming() {
    std::vector<std::unique_ptr<ZeraZovHttpTransfer>> arrived;
    bool stopping = false;
    {
        std::lock_guard guard(incomingLock_);
        arrived.swap(incoming_);
        stopping = stopping_;
    }
    for (auto& transfer : arrived) start(std::move(transfer));
    return !stopping;
}

void ZeraZovHttpWorker::start(std::unique_ptr<ZeraZovHttpTransfer> transfer) {
    if (transfer->setupStatus() != CURLE_OK) return transfer->finish(transfer->setupStatus());
    if (ZeraZovCurl::loaded().multi_add_handle(multi_, transfer->handle()) != CURLM_OK)
        return transfer->finish(CURLE_FAILED_INIT);
    active_.push_back(std::move(transfer));
}

void ZeraZovHttpWorker::finishCompleted() {
    int queued = 0;
    while (CURLMsg* message = ZeraZovCurl::loaded().multi_info_read(multi_, &queued)) {
        if (message->msg != CURLMSG_DONE) continue;
        const CURLcode code = message->data.result;
        auto transfer = takeActive(message->easy_handle);
        if (transfer) transfer->finish(code);
    }
}

std::unique_ptr<ZeraZovHttpTransfer> ZeraZovHttpWorker::takeActive(CURL* handle) {
    const auto found = std::find_if(active_.begin(), active_.end(),
                                    [handle](const auto& transfer) { return transfer->handle() == handle; });
    if (found == active_.end()) return nullptr;
    auto transfer = std::move(*found);
    active_.erase(found);
    ZeraZovCurl::loaded().multi_remove_handle(multi_, handle);
    return transfer;
}

// A client going away still owes every caller its one completion; callers treat this
// like any other missing answer and keep their records for the next start.
void ZeraZovHttpWorker::cancelActive() {
    startIncoming();
    auto open = std::exchange(active_, {});
    for (auto& transfer : open) {
        ZeraZovCurl::loaded().multi_remove_handle(multi_, transfer->handle());
        transfer->cancel();
    }
}

}  // namespace zerazov
