#include "Platform/Linux/Private/DefaultRouteScan.h"

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <optional>

namespace platform {
namespace {

constexpr std::size_t kAlignment = 4;  // netlink pads headers and attributes to four bytes

constexpr std::size_t aligned(std::size_t length) { return (length + kAlignment - 1) & ~(kAlignment - 1); }

constexpr std::size_t kMessageHeaderLength = aligned(sizeof(nlmsghdr));

// Copies a header out of the bytes, so no access depends on the buffer's alignment.
template <typename Header>
std::optional<Header> headerAt(std::span<const std::byte> bytes, std::size_t offset = 0) {
    if (offset > bytes.size() || bytes.size() - offset < sizeof(Header)) return std::nullopt;
    Header header;
    std::memcpy(&header, bytes.data() + offset, sizeof header);
    return header;
}

// The table a route lives in: RTA_TABLE when present, since rtm_table only holds ids below 256.
std::uint32_t routeTable(const rtmsg& route, std::span<const std::byte> attributes) {
    std::size_t offset = 0;
    while (const auto attribute = headerAt<rtattr>(attributes, offset)) {
        if (attribute->rta_len < sizeof(rtattr) || attribute->rta_len > attributes.size() - offset) break;
        if (attribute->rta_type == RTA_TABLE) {
            if (const auto table = headerAt<std::uint32_t>(attributes, offset + aligned(sizeof(rtattr)))) {
                if (attribute->rta_len >= aligned(sizeof(rtattr)) + sizeof(std::uint32_t)) return *table;
            }
        }
        offset += aligned(attribute->rta_len);
    }
    return route.rtm_table;
}

// A route whose link has no carrier stays in the table but carries nothing.
bool carriesTraffic(const rtmsg& route, std::uint32_t table) {
    if (route.rtm_family != AF_INET && route.rtm_family != AF_INET6) return false;
    if (route.rtm_dst_len != 0 || route.rtm_type != RTN_UNICAST) return false;
    if ((route.rtm_flags & (RTNH_F_DEAD | RTNH_F_LINKDOWN)) != 0) return false;
    return table != RT_TABLE_LOCAL;
}

}  // namespace

bool DefaultRouteScan::feed(std::span<const std::byte> datagram) {
    std::size_t offset = 0;
    while (!finished_ && offset < datagram.size()) {
        const auto header = headerAt<nlmsghdr>(datagram, offset);
        if (!header || header->nlmsg_len < sizeof(nlmsghdr) || header->nlmsg_len > datagram.size() - offset) {
            fail(EPROTO);
            break;
        }
        if (header->nlmsg_seq == sequence_) {
            const auto body = datagram.subspan(offset + kMessageHeaderLength, header->nlmsg_len - kMessageHeaderLength);
            takeMessage(header->nlmsg_type, header->nlmsg_flags, body);
        }
        offset += aligned(header->nlmsg_len);
    }
    return !finished_;
}

void DefaultRouteScan::takeMessage(std::uint16_t type, std::uint16_t flags, std::span<const std::byte> body) {
    if ((flags & NLM_F_DUMP_INTR) != 0) interrupted_ = true;
    switch (type) {
    case RTM_NEWROUTE: takeRoute(body); break;
    case NLMSG_DONE: takeDone(body); break;
    case NLMSG_ERROR: takeError(body); break;
    default: break;
    }
}

void DefaultRouteScan::takeRoute(std::span<const std::byte> body) {
    const auto route = headerAt<rtmsg>(body);
    if (!route) return fail(EPROTO);
    const auto attributes = body.subspan(std::min(body.size(), aligned(sizeof(rtmsg))));
    if (carriesTraffic(*route, routeTable(*route, attributes))) found_ = true;
}

// A dump ends with NLMSG_DONE, which may carry the dump's own negative errno.
void DefaultRouteScan::takeDone(std::span<const std::byte> body) {
    const auto status = headerAt<int>(body).value_or(0);
    if (status < 0) return fail(-status);
    if (interrupted_) return fail(EINTR);
    finished_ = true;
}

void DefaultRouteScan::takeError(std::span<const std::byte> body) {
    const auto answer = headerAt<nlmsgerr>(body);
    if (!answer) return fail(EPROTO);
    fail(answer->error < 0 ? -answer->error : EPROTO);
}

void DefaultRouteScan::fail(int error) {
    error_ = error;
    found_ = false;
    finished_ = true;
}

}  // namespace platform
