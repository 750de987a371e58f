#include <gtest/gtest.h>

#include <linux/netlink.h>
#include <linux/rtnetlink.h>
#include <sys/socket.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <vector>

#include "Platform/Linux/Private/DefaultRouteScan.h"

namespace platform {
namespace {

constexpr std::uint32_t kSequence = 7;

// An IPv4 unicast default route in the main table, changed field by field.
struct Route {
    Route& family(unsigned char value) { return set(message.rtm_family, value); }
    Route& destinationLength(unsigned char value) { return set(message.rtm_dst_len, value); }
    Route& type(unsigned char value) { return set(message.rtm_type, value); }
    Route& table(unsigned char value) { return set(message.rtm_table, value); }
    Route& flags(unsigned value) { return set(message.rtm_flags, value); }
    Route& tableAttribute(std::uint32_t value) { return set(tableAttributeValue, value); }

    rtmsg message{AF_INET, 0, 0, 0, RT_TABLE_MAIN, RTPROT_BOOT, RT_SCOPE_UNIVERSE, RTN_UNICAST, 0};
    std::optional<std::uint32_t> tableAttributeValue;

private:
    template <typename Field, typename Value>
    Route& set(Field& field, Value value) {
        field = value;
        return *this;
    }
};

// Datagrams laid out as the kernel lays out a dump's answer.
class Datagram {
public:
    Datagram& route(const Route& route, std::uint32_t sequence = kSequence, std::uint16_t flags = NLM_F_MULTI) {
        std::vector<std::byte> payload = bytesOf(route.message);
        if (route.tableAttributeValue) {
            const rtattr attribute{static_cast<unsigned short>(sizeof(rtattr) + 4), RTA_TABLE};
            append(payload, bytesOf(attribute));
            append(payload, bytesOf(*route.tableAttributeValue));
        }
        return message(RTM_NEWROUTE, sequence, payload, flags);
    }

    Datagram& done(int status = 0, std::uint32_t sequence = kSequence) {
        return message(NLMSG_DONE, sequence, bytesOf(status));
    }

    Datagram& error(int negativeErrno) {
        nlmsgerr body{};
        body.error = negativeErrno;
        return message(NLMSG_ERROR, kSequence, bytesOf(body));
    }

    Datagram& message(std::uint16_t type, std::uint32_t sequence, const std::vector<std::byte>& payload,
                      std::uint16_t flags = NLM_F_MULTI) {
        nlmsghdr header{};
        header.nlmsg_len = static_cast<std::uint32_t>(sizeof header + payload.size());
        header.nlmsg_type = type;
        header.nlmsg_flags = flags;
        header.nlmsg_seq = sequence;
        append(bytes, bytesOf(header));
        append(bytes, payload);
        bytes.resize((bytes.size() + 3) & ~std::size_t{3});
        return *this;
    }

    std::vector<std::byte> bytes;

private:
    template <typename T>
    static std::vector<std::byte> bytesOf(const T& value) {
        std::vector<std::byte> out(sizeof value);
        std::memcpy(out.data(), &value, sizeof value);
        return out;
    }

    static void append(std::vector<std::byte>& to, const std::vector<std::byte>& more) {
        to.insert(to.end(), more.begin(), more.end());
    }
};

DefaultRouteScan scanned(const Datagram& datagram) {
    DefaultRouteScan scan(kSequence);
    scan.feed(datagram.bytes);
    return scan;
}

TEST(DefaultRouteScan, CountsOnlyDefaultRoutesThatCarryTraffic) {
    struct Case {
        const char* name;
        Route route;
        bool counts;
    };
    const Case cases[] = {
        {"IPv4 default", Route(), true},
        {"IPv6 default", Route().family(AF_INET6), true},
        {"a subnet", Route().destinationLength(24), false},
        {"unreachable default", Route().family(AF_INET6).type(RTN_UNREACHABLE), false},
        {"local table", Route().table(RT_TABLE_LOCAL), false},
        {"table above 255", Route().table(RT_TABLE_COMPAT).tableAttribute(1000), true},
        {"attribute names local", Route().tableAttribute(RT_TABLE_LOCAL), false},
        {"link down", Route().flags(RTNH_F_LINKDOWN), false},
    };
    for (const Case& check : cases) {
        SCOPED_TRACE(check.name);
        const auto scan = scanned(Datagram().route(check.route).done());
        EXPECT_TRUE(scan.finished());
        EXPECT_EQ(scan.error(), 0);
        EXPECT_EQ(scan.foundDefaultRoute(), check.counts);
    }
}

TEST(DefaultRouteScan, ReadsADumpSpreadOverDatagramsUpToItsEnd) {
    DefaultRouteScan scan(kSequence);
    EXPECT_TRUE(scan.feed(Datagram().route(Route().destinationLength(8)).bytes));
    EXPECT_FALSE(scan.finished());
    EXPECT_TRUE(scan.feed(Datagram().route(Route().family(AF_INET6)).route(Route().destinationLength(16)).bytes));
    EXPECT_FALSE(scan.feed(Datagram().done().bytes));
    EXPECT_TRUE(scan.finished());
    EXPECT_TRUE(scan.foundDefaultRoute());
}

TEST(DefaultRouteScan, PassesOverMessagesOfOtherRequests) {
    const auto scan =
        scanned(Datagram().route(Route(), kSequence - 1).done(0, kSequence - 1).route(Route().destinationLength(8)));
    EXPECT_FALSE(scan.finished());
    EXPECT_FALSE(scan.foundDefaultRoute());
}

TEST(DefaultRouteScan, EndsWithTheKernelsErrorAndNoRoute) {
    const auto refused = scanned(Datagram().route(Route()).error(-EPERM));
    EXPECT_TRUE(refused.finished());
    EXPECT_EQ(refused.error(), EPERM);
    EXPECT_FALSE(refused.foundDefaultRoute());
    EXPECT_EQ(scanned(Datagram().route(Route()).done(-ENOBUFS)).error(), ENOBUFS);

    // A dump that the routes changed under is asked again.
    const auto interrupted = scanned(Datagram().route(Route(), kSequence, NLM_F_MULTI | NLM_F_DUMP_INTR).done());
    EXPECT_EQ(interrupted.error(), EINTR);
    EXPECT_FALSE(interrupted.foundDefaultRoute());
}

TEST(DefaultRouteScan, MalformedInputEndsTheScanWithoutReadingPastIt) {
    Datagram tooLong = Datagram().route(Route());
    tooLong.bytes.resize(tooLong.bytes.size() - 8);
    EXPECT_EQ(scanned(tooLong).error(), EPROTO);

    Datagram noRouteBody;
    noRouteBody.message(RTM_NEWROUTE, kSequence, std::vector<std::byte>(4));
    EXPECT_EQ(scanned(noRouteBody).error(), EPROTO);

    // An attribute claiming more than the message holds is ignored; rtm_table decides.
    Datagram badAttribute = Datagram().route(Route().tableAttribute(RT_TABLE_LOCAL)).done();
    const std::size_t attributeLength = sizeof(nlmsghdr) + sizeof(rtmsg);
    badAttribute.bytes[attributeLength] = std::byte{0xff};
    const auto scan = scanned(badAttribute);
    EXPECT_EQ(scan.error(), 0);
    EXPECT_TRUE(scan.foundDefaultRoute());
}

}  // namespace
}  // namespace platform
