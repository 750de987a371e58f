#pragma once
#include <cstddef>
#include <functional>
#include <optional>
#include <string>

#include <curl/curl.h>

#include "ZeraZov/Delivery/Api/Private/ZeraZovIdleTimer.h"
#include "ZeraZov/Delivery/Api/ZeraZovHttpTransport.h"

namespace zerazov {

// One request on a libcurl easy handle, with the buffers the handle points into and
// the completion that receives its end. Used only on the transport's worker thread.
class ZeraZovHttpTransfer {
public:
    using Completion = std::function<void(ZeraZovHttpResult)>;

    // Largest answer body read; a server that sends more gets the transfer
    // aborted there rather than the client's memory or time: a request that needs
    // the whole answer fails, one that allows it keeps the part read.
    static constexpr std::size_t maxResponseBytes = 16 * 1024 * 1024;

    ZeraZovHttpTransfer(ZeraZovHttpRequest request, const std::optional<std::string>& caFile, Completion completion);
    ~ZeraZovHttpTransfer();
    ZeraZovHttpTransfer(const ZeraZovHttpTransfer&) = delete;
    ZeraZovHttpTransfer& operator=(const ZeraZovHttpTransfer&) = delete;

    CURL* handle() const { return handle_; }
    // CURLE_OK when the handle is ready to run; otherwise why it could not be set up.
    CURLcode setupStatus() const { return setupStatus_; }

    // Builds the result of the finished transfer and hands it to the completion.
    void finish(CURLcode code);
    // Ends a transfer that will never run to its end.
    void cancel();

private:
    void configure(const std::optional<std::string>& caFile);
    void addHeaders();
    template <typename Value>
    void setOption(CURLoption option, Value value);
    ZeraZovHttpResult result(CURLcode code) const;
    void complete(ZeraZovHttpResult result);
    static std::size_t onData(char* data, std::size_t size, std::size_t count, void* transfer);
    static int onProgress(void* transfer, curl_off_t downloadTotal, curl_off_t downloaded, curl_off_t uploadTotal,
                          curl_off_t uploaded);

    ZeraZovHttpRequest request_;
    Completion completion_;
    ZeraZovIdleTimer idleTimer_;
    bool stalled_ = false;
    CURL* handle_;
    curl_slist* headers_ = nullptr;
    CURLcode setupStatus_ = CURLE_OK;
    std::string response_;
    bool responseTooLarge_ = false;
    bool answerCut_ = false;
    char errorText_[CURL_ERROR_SIZE] = {};
};

}  // namespace zerazov
