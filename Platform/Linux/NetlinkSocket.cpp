#include "Platform/Linux/NetlinkSocket.h"

#include <linux/netlink.h>
#include <sys/socket.h>
#include <sys/time.h>

#include <cerrno>

namespace platform {

int NetlinkSocket::open(std::uint32_t groups) {
    fd_.reset();
    const int fd = ::socket(AF_NETLINK, SOCK_RAW | SOCK_CLOEXEC, NETLINK_ROUTE);
    if (fd < 0) return errno;
    fd_.reset(fd);
    sockaddr_nl local{};
    local.nl_family = AF_NETLINK;
    local.nl_groups = groups;
    if (::bind(fd_.get(), reinterpret_cast<const sockaddr*>(&local), sizeof local) == 0) return 0;
    const int error = errno;
    fd_.reset();
    return error;
}

int NetlinkSocket::setReceiveTimeout(int milliseconds) const {
    const timeval timeout{milliseconds / 1000, (milliseconds % 1000) * 1000};
    return ::setsockopt(fd_.get(), SOL_SOCKET, SO_RCVTIMEO, &timeout, sizeof timeout) == 0 ? 0 : errno;
}

int NetlinkSocket::send(std::span<const std::byte> message) const {
    sockaddr_nl kernel{};
    kernel.nl_family = AF_NETLINK;
    for (;;) {
        const auto sent = ::sendto(fd_.get(), message.data(), message.size(), 0,
                                   reinterpret_cast<const sockaddr*>(&kernel), sizeof kernel);
        if (sent >= 0) return 0;
        if (errno != EINTR) return errno;
    }
}

NetlinkSocket::Received NetlinkSocket::receive(std::span<std::byte> buffer, bool wait) const {
    // Any local process may write to our port; only the kernel speaks for the routes.
    // A flood from elsewhere ends the wait rather than holding it open.
    static constexpr int kForeignDatagramsSkipped = 64;
    for (int foreign = 0; foreign < kForeignDatagramsSkipped;) {
        sockaddr_nl sender{};
        iovec part{buffer.data(), buffer.size()};
        msghdr header{};
        header.msg_name = &sender;
        header.msg_namelen = sizeof sender;
        header.msg_iov = &part;
        header.msg_iovlen = 1;
        const auto length = ::recvmsg(fd_.get(), &header, wait ? 0 : MSG_DONTWAIT);
        if (length < 0 && errno == EINTR) continue;
        if (length < 0) return {0, errno == EWOULDBLOCK ? EAGAIN : errno};
        if (sender.nl_pid != 0) {
            ++foreign;
            continue;
        }
        if ((header.msg_flags & MSG_TRUNC) != 0) return {buffer.size(), EMSGSIZE};
        return {static_cast<std::size_t>(length), 0};
    }
    return {0, EAGAIN};
}

}  // namespace platform
