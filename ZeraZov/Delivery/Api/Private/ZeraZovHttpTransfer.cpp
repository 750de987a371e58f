#include "ZeraZov/Delivery/Api/Private/ZeraZovHttpTransfer.h"

#include <strings.h>
#include <algorithm>
#include <chrono>
#include <exception>
#include <utility>

#include "ZeraZov/Core/Utilities/ZeraZovDebugLog.h"
#include "ZeraZov/Delivery/Api/Private/ZeraZovCurl.h"

namespace zerazov {
namespace {

bool isAcceptEncoding(const ZeraZovHttpRequest::Header& header) {
    return strcasecmp(header.first.c_str(), "Accept-Encoding") == 0;
}

}  // namespace

ZeraZovHttpTransfer::ZeraZovHttpTransfer(ZeraZovHttpRequest request, const std::optional<std::string>& caFile,
                                         Completion completion)
    : request_(std::move(request)),
      completion_(std::move(completion)),
      idleTimer_(request_.timeout),
      handle_(ZeraZovCurl::library() ? ZeraZovCurl::loaded().easy_init() : nullptr) {
    if (handle_ == nullptr) {
        setupStatus_ = CURLE_FAILED_INIT;
        return;
    }
    configure(caFile);
}

ZeraZovHttpTransfer::~ZeraZovHttpTransfer() {
    // Headers are only ever added to a transfer that has its handle.
    if (handle_ == nullptr) return;
    ZeraZovCurl::loaded().easy_cleanup(handle_);
    ZeraZovCurl::loaded().slist_free_all(headers_);
}

template <typename Value>
void ZeraZovHttpTransfer::setOption(CURLoption option, Value value) {
    if (setupStatus_ != CURLE_OK) return;
    setupStatus_ = ZeraZovCurl::loaded().easy_setopt(handle_, option, value);
}

void ZeraZovHttpTransfer::configure(const std::optional<std::string>& caFile) {
    setOption(CURLOPT_PRIVATE, static_cast<void*>(this));
    setOption(CURLOPT_ERRORBUFFER, errorText_);
    setOption(CURLOPT_URL, request_.url.c_str());
    // Analytics data goes nowhere but to the configured host over HTTP(S): no other
    // scheme, and no redirect that could carry the body elsewhere.
    setOption(CURLOPT_PROTOCOLS_STR, "http,https");
    setOption(CURLOPT_FOLLOWLOCATION, 0L);
    setOption(CURLOPT_SSL_VERIFYPEER, 1L);
    setOption(CURLOPT_SSL_VERIFYHOST, 2L);
    if (caFile) setOption(CURLOPT_CAINFO, caFile->c_str());
    // The timeout bounds waiting, not the whole transfer: the connection (TLS
    // included) must stand within it, and afterwards the transfer fails only when no
    // byte moved for that long (onProgress). A large batch going out slowly on a poor
    // uplink is never cut off for being slow. libcurl's own low-speed limit is no
    // help here: it averages over several seconds, so a server that went silent
    // right after the body would be given the timeout plus those seconds.
    setOption(CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(request_.timeout.count()));
    setOption(CURLOPT_NOPROGRESS, 0L);
    setOption(CURLOPT_XFERINFOFUNCTION, &ZeraZovHttpTransfer::onProgress);
    setOption(CURLOPT_XFERINFODATA, static_cast<void*>(this));
    // Signals cannot interrupt a worker thread safely; timeouts are enforced by the multi loop.
    setOption(CURLOPT_NOSIGNAL, 1L);
    setOption(CURLOPT_WRITEFUNCTION, &ZeraZovHttpTransfer::onData);
    setOption(CURLOPT_WRITEDATA, static_cast<void*>(this));
    if (request_.method == ZeraZovHttpRequest::Method::post) {
        setOption(CURLOPT_POST, 1L);
        setOption(CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(request_.body.size()));
        setOption(CURLOPT_POSTFIELDS, request_.body.data());
    } else {
        setOption(CURLOPT_HTTPGET, 1L);
    }
    addHeaders();
    setOption(CURLOPT_HTTPHEADER, headers_);
}

void ZeraZovHttpTransfer::addHeaders() {
    for (const auto& header : request_.headers) {
        // libcurl sends Accept-Encoding itself when asked to, and only then decodes the answer.
        if (isAcceptEncoding(header)) {
            setOption(CURLOPT_ACCEPT_ENCODING, header.second.c_str());
            continue;
        }
        headers_ = ZeraZovCurl::loaded().slist_append(headers_, (header.first + ": " + header.second).c_str());
    }
    // Without this libcurl holds larger bodies back for a "100 Continue" that many
    // servers never send, spending the request's timeout on waiting.
    if (request_.method == ZeraZovHttpRequest::Method::post)
        headers_ = ZeraZovCurl::loaded().slist_append(headers_, "Expect:");
}

std::size_t ZeraZovHttpTransfer::onData(char* data, std::size_t size, std::size_t count, void* transfer) {
    auto& self = *static_cast<ZeraZovHttpTransfer*>(transfer);
    const std::size_t length = size * count;
    const std::size_t room = maxResponseBytes - self.response_.size();
    if (length <= room) {
        self.response_.append(data, length);
        return length;
    }
    // Past the bound the transfer ends here: an upload keeps the answer's first
    // part and its status, whatever the rest would have been and however long
    // it would have taken to arrive.
    if (self.request_.answerMayBeCut) {
        self.response_.append(data, room);
        self.answerCut_ = true;
    } else {
        self.responseTooLarge_ = true;
    }
    return 0;
}

int ZeraZovHttpTransfer::onProgress(void* transfer, curl_off_t, curl_off_t downloaded, curl_off_t,
                                    curl_off_t uploaded) {
    auto& self = *static_cast<ZeraZovHttpTransfer*>(transfer);
    self.stalled_ = self.idleTimer_.hasStalled(downloaded + uploaded, std::chrono::steady_clock::now());
    return self.stalled_ ? 1 : 0;
}

ZeraZovHttpResult ZeraZovHttpTransfer::result(CURLcode code) const {
    if (stalled_) {
        return ZeraZovTransportError{CURLE_OPERATION_TIMEDOUT,
                                     "no data moved for " + std::to_string(idleTimer_.timeout().count()) + " ms"};
    }
    if (responseTooLarge_) {
        return ZeraZovTransportError{code, "answer larger than " + std::to_string(maxResponseBytes) + " bytes"};
    }
    // The abort that cut the answer is no failure of the request.
    if (code != CURLE_OK && !(answerCut_ && code == CURLE_WRITE_ERROR)) {
        std::string description = handle_ ? ZeraZovCurl::loaded().easy_strerror(code) : "libcurl could not be loaded";
        if (errorText_[0] != '\0') description += std::string(": ") + errorText_;
        return ZeraZovTransportError{code, std::move(description)};
    }
    long status = 0;
    ZeraZovCurl::loaded().easy_getinfo(handle_, CURLINFO_RESPONSE_CODE, &status);
    return ZeraZovHttpResponse{static_cast<int>(status), response_};
}

void ZeraZovHttpTransfer::finish(CURLcode code) { complete(result(code)); }

void ZeraZovHttpTransfer::cancel() {
    complete(
        ZeraZovTransportError{CURLE_ABORTED_BY_CALLBACK, "the HTTP client was shut down before the answer arrived"});
}

void ZeraZovHttpTransfer::complete(ZeraZovHttpResult result) {
    auto completion = std::exchange(completion_, nullptr);
    if (!completion) return;
    // A throwing completion must not take the worker thread, and with it every other
    // request, down.
    try {
        completion(std::move(result));
    } catch (const std::exception& error) {
        ZeraZovDebugLog::write(std::string("HTTP completion threw: ") + error.what());
    } catch (...) {
        ZeraZovDebugLog::write("HTTP completion threw");
    }
}

}  // namespace zerazov
