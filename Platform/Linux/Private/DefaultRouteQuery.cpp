#include "Platform/Linux/Private/DefaultRouteQuery.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>

#include "Platform/Linux/Private/DefaultRouteScan.h"

namespace platform {
namespace {

constexpr int kReceiveTimeoutMs = 2000;
// Dumps come in datagrams of up to 32 KiB; room to spare keeps them whole.
constexpr std::size_t kAnswerBufferSize = 64 * 1024;
// A dump that the routes changed under, or a busy kernel, is asked again a few times.
constexpr int kAttempts = 3;

bool worthAnotherTry(int error) { return error == EINTR || error == EBUSY || error == ENOBUFS; }

struct RouteDumpRequest {
    nlmsghdr header;
    rtmsg route;
};

}  // namespace

int DefaultRouteQuery::open() {
    std::lock_guard guard(lock_);
    buffer_.resize(kAnswerBufferSize);
    if (const int error = socket_.open(0)) return error;
    return socket_.setReceiveTimeout(kReceiveTimeoutMs);
}

DefaultRouteQuery::Answer DefaultRouteQuery::ask() {
    std::lock_guard guard(lock_);
    Answer answer = dumpOnce();
    for (int attempt = 1; attempt < kAttempts && worthAnotherTry(answer.error); ++attempt) answer = dumpOnce();
    return answer;
}

DefaultRouteQuery::Answer DefaultRouteQuery::dumpOnce() {
    if (const int error = sendRequest()) return {false, error};
    DefaultRouteScan scan(sequence_);
    for (;;) {
        const auto received = socket_.receive(buffer_, true);
        if (received.error == EAGAIN) return {false, ETIMEDOUT};
        if (received.error != 0) return {false, received.error};
        if (!scan.feed(std::span(buffer_).first(received.length))) break;
    }
    return {scan.foundDefaultRoute(), scan.error()};
}

// Both address families in one dump: AF_UNSPEC walks IPv4 and IPv6 alike.
int DefaultRouteQuery::sendRequest() {
    if (socket_.fd() < 0) return EBADF;
    RouteDumpRequest request;
    std::memset(&request, 0, sizeof request);
    request.header.nlmsg_len = sizeof request;
    request.header.nlmsg_type = RTM_GETROUTE;
    request.header.nlmsg_flags = NLM_F_REQUEST | NLM_F_DUMP;
    request.header.nlmsg_seq = ++sequence_;
    request.route.rtm_family = AF_UNSPEC;
    return socket_.send(std::as_bytes(std::span(&request, 1)));
}

}  // namespace platform
