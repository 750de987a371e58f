// The port layer: messages that do not fit stay queued, sets receive from
// their members, the last send right going is told once, and the tables of
// exception registrations answer what they replace.
#include <unistd.h>

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Platform/zzcrash_exception_ports.h"
#include "CrashReporter/Platform/zzcrash_message.h"

namespace {

// A port of the test's own, destroyed after it.
class Port {
public:
    Port() { EXPECT_EQ(zzcrash_port_allocate(&name_), ZZCRASH_KERN_SUCCESS); }
    ~Port() { zzcrash_port_destroy(name_); }
    Port(const Port&) = delete;
    Port& operator=(const Port&) = delete;
    zzcrash_port_t name() const { return name_; }

private:
    zzcrash_port_t name_ = ZZCRASH_PORT_NULL;
};

struct Message {
    zzcrash_msg_header header;
    std::uint8_t body[232];
};

zzcrash_kern_return_t sendTo(zzcrash_port_t port, std::uint32_t size, std::int32_t id,
                             zzcrash_port_t reply = ZZCRASH_PORT_NULL) {
    Message message{};
    message.header = {
        zzcrash_msgh_bits(ZZCRASH_MSG_TYPE_COPY_SEND, ZZCRASH_MSG_TYPE_MAKE_SEND_ONCE), size, port, reply, 0, id};
    for (std::size_t i = 0; i < sizeof message.body; ++i) message.body[i] = static_cast<std::uint8_t>(i);
    return zzcrash_msg_send(&message.header);
}

TEST(Ports, AMessageLargerThanTheBufferStaysQueuedWithItsSize) {
    const Port port;
    ASSERT_EQ(sendTo(port.name(), 200, 7), ZZCRASH_KERN_SUCCESS);
    Message small{};
    std::uint32_t needed = 0;
    EXPECT_EQ(zzcrash_msg_receive(port.name(), &small.header, 64, 0, &needed), ZZCRASH_MACH_RCV_TOO_LARGE);
    EXPECT_EQ(needed, 200u);
    Message large{};
    ASSERT_EQ(zzcrash_msg_receive(port.name(), &large.header, sizeof large, 0, &needed), ZZCRASH_KERN_SUCCESS);
    EXPECT_EQ(large.header.size, 200u);
    EXPECT_EQ(large.header.id, 7);
    EXPECT_EQ(large.header.local_port, port.name());
    EXPECT_EQ(large.body[175], 175);
    EXPECT_EQ(zzcrash_msg_receive(port.name(), &large.header, sizeof large, 0, &needed), ZZCRASH_MACH_RCV_TIMED_OUT);
}

// The receiver finds the reply port as remote, with the right the sender made
// for it; the port the message came in on as local.
TEST(Ports, ASetReceivesFromItsMembersAndSaysWhichOne) {
    const Port first, second, reply;
    zzcrash_port_t set = ZZCRASH_PORT_NULL;
    ASSERT_EQ(zzcrash_port_set_allocate(&set), ZZCRASH_KERN_SUCCESS);
    ASSERT_EQ(zzcrash_port_move_member(first.name(), set), ZZCRASH_KERN_SUCCESS);
    ASSERT_EQ(zzcrash_port_move_member(second.name(), set), ZZCRASH_KERN_SUCCESS);
    Message received{};
    EXPECT_EQ(zzcrash_msg_receive(set, &received.header, sizeof received, 20, nullptr), ZZCRASH_MACH_RCV_TIMED_OUT);
    ASSERT_EQ(sendTo(second.name(), 40, 9, reply.name()), ZZCRASH_KERN_SUCCESS);
    ASSERT_EQ(zzcrash_msg_receive(set, &received.header, sizeof received, 1000, nullptr), ZZCRASH_KERN_SUCCESS);
    EXPECT_EQ(received.header.local_port, second.name());
    EXPECT_EQ(received.header.remote_port, reply.name());
    EXPECT_EQ(zzcrash_msgh_bits_remote(received.header.bits), ZZCRASH_MSG_TYPE_MOVE_SEND_ONCE);
    EXPECT_EQ(zzcrash_msgh_bits_local(received.header.bits), ZZCRASH_MSG_TYPE_MOVE_SEND);
    EXPECT_TRUE(zzcrash_port_received_by_caller(first.name()));
    EXPECT_EQ(zzcrash_port_destroy(set), ZZCRASH_KERN_SUCCESS);
    EXPECT_EQ(zzcrash_msg_receive(set, &received.header, sizeof received, 0, nullptr), ZZCRASH_MACH_RCV_INVALID_NAME);
    EXPECT_EQ(sendTo(set, 40, 9), ZZCRASH_MACH_SEND_INVALID_DEST);
    EXPECT_EQ(sendTo(first.name(), 20, 9), ZZCRASH_MACH_SEND_MSG_TOO_SMALL);
}

TEST(Ports, TheLastSendRightGoingIsToldOncePerRequest) {
    const Port port, notify;
    ASSERT_EQ(zzcrash_port_request_no_senders(port.name(), notify.name()), ZZCRASH_KERN_SUCCESS);
    Message received{};
    const auto notified = [&] {
        return zzcrash_msg_receive(notify.name(), &received.header, sizeof received, 0, nullptr) ==
               ZZCRASH_KERN_SUCCESS;
    };
    ASSERT_EQ(zzcrash_port_mod_send_refs(port.name(), 2), ZZCRASH_KERN_SUCCESS);
    ASSERT_EQ(zzcrash_port_mod_send_refs(port.name(), -1), ZZCRASH_KERN_SUCCESS);
    EXPECT_FALSE(notified());
    ASSERT_EQ(zzcrash_port_mod_send_refs(port.name(), -1), ZZCRASH_KERN_SUCCESS);
    ASSERT_TRUE(notified());
    EXPECT_EQ(received.header.id, ZZCRASH_NOTIFY_NO_SENDERS);
    EXPECT_EQ(received.header.local_port, notify.name());
    EXPECT_EQ(received.header.size, 36u);
    ASSERT_EQ(zzcrash_port_mod_send_refs(port.name(), 1), ZZCRASH_KERN_SUCCESS);
    ASSERT_EQ(zzcrash_port_mod_send_refs(port.name(), -1), ZZCRASH_KERN_SUCCESS);
    EXPECT_FALSE(notified());
    EXPECT_EQ(zzcrash_port_mod_send_refs(port.name(), -1), ZZCRASH_KERN_INVALID_RIGHT);
    EXPECT_EQ(zzcrash_port_send_refs(port.name()), 0);
}

// Registrations per exception type: an answer joins the types one port,
// behaviour and flavour share; a thread's own registration comes first for
// that thread only; replaced ports lose the right their registration held.
TEST(ExceptionPorts, ASwapAnswersWhatItReplacesAndFaultsFindTheirPort) {
    const Port a, b, c;
    constexpr std::uint32_t badAccess = zzcrash_exc_mask(ZZCRASH_EXC_BAD_ACCESS);
    constexpr std::uint32_t arithmetic = zzcrash_exc_mask(ZZCRASH_EXC_ARITHMETIC);
    constexpr std::uint32_t breakpoint = zzcrash_exc_mask(ZZCRASH_EXC_BREAKPOINT);
    ASSERT_EQ(zzcrash_task_swap_exception_ports(badAccess | arithmetic, a.name(), ZZCRASH_EXCEPTION_DEFAULT,
                                                ZZCRASH_X86_THREAD_STATE, nullptr),
              ZZCRASH_KERN_SUCCESS);
    EXPECT_EQ(zzcrash_port_send_refs(a.name()), 2);
    zzcrash_mach_exception_port_set previous{};
    ASSERT_EQ(zzcrash_task_swap_exception_ports(badAccess | arithmetic | breakpoint, b.name(),
                                                ZZCRASH_EXCEPTION_DEFAULT | ZZCRASH_MACH_EXCEPTION_CODES,
                                                ZZCRASH_X86_THREAD_STATE, &previous),
              ZZCRASH_KERN_SUCCESS);
    ASSERT_EQ(previous.count, 2u);
    EXPECT_EQ(previous.masks[0], badAccess | arithmetic);
    EXPECT_EQ(previous.ports[0], a.name());
    EXPECT_EQ(previous.behaviors[0], static_cast<std::uint32_t>(ZZCRASH_EXCEPTION_DEFAULT));
    EXPECT_EQ(previous.masks[1], breakpoint);
    EXPECT_EQ(previous.ports[1], ZZCRASH_PORT_NULL);
    EXPECT_EQ(zzcrash_port_send_refs(a.name()), 1);  // the answer's

    const zzcrash_thread_t self = gettid();
    ASSERT_EQ(zzcrash_thread_swap_exception_ports(self, arithmetic, c.name(), ZZCRASH_EXCEPTION_DEFAULT,
                                                  ZZCRASH_X86_THREAD_STATE, nullptr),
              ZZCRASH_KERN_SUCCESS);
    zzcrash_exception_registration found{};
    ASSERT_TRUE(zzcrash_exception_port_for(self, ZZCRASH_EXC_ARITHMETIC, &found));
    EXPECT_EQ(found.port, c.name());
    ASSERT_TRUE(zzcrash_exception_port_for(self + 1, ZZCRASH_EXC_ARITHMETIC, &found));
    EXPECT_EQ(found.port, b.name());
    ASSERT_TRUE(zzcrash_exception_port_for(self, ZZCRASH_EXC_BAD_ACCESS, &found));
    EXPECT_EQ(found.port, b.name());
    EXPECT_FALSE(zzcrash_exception_port_for(self, ZZCRASH_EXC_SOFTWARE, &found));

    EXPECT_EQ(zzcrash_task_swap_exception_ports(1, b.name(), ZZCRASH_EXCEPTION_DEFAULT, 7, nullptr),
              ZZCRASH_KERN_INVALID_ARGUMENT);
    EXPECT_EQ(zzcrash_task_swap_exception_ports(badAccess, b.name(), 4, 7, nullptr), ZZCRASH_KERN_INVALID_ARGUMENT);
    EXPECT_EQ(zzcrash_task_swap_exception_ports(ZZCRASH_EXC_MASK_ALL, ZZCRASH_PORT_NULL, ZZCRASH_EXCEPTION_DEFAULT, 7,
                                                nullptr),
              ZZCRASH_KERN_SUCCESS);
    EXPECT_EQ(zzcrash_thread_swap_exception_ports(self, ZZCRASH_EXC_MASK_ALL, ZZCRASH_PORT_NULL,
                                                  ZZCRASH_EXCEPTION_DEFAULT, 7, nullptr),
              ZZCRASH_KERN_SUCCESS);
    EXPECT_EQ(zzcrash_port_send_refs(b.name()), 0);
    EXPECT_EQ(zzcrash_port_send_refs(c.name()), 0);
}

}  // namespace
