// The exception server on its own thread, answering requests through its
// callback; its stop; forwarding to the handlers registered before; the
// exception-to-signal table; the registrations' port sets.
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <thread>

#include <gtest/gtest.h>

#include "CrashReporter/Async/zzcrash_async_signal_names.h"
#include "CrashReporter/Exceptions/Private/zzcrash_mach_exception.h"
#include "CrashReporter/Exceptions/ZZCrashMachExceptionPortSet.h"
#include "CrashReporter/Platform/zzcrash_exception_ports.h"
#include "CrashReporter/Platform/zzcrash_fault_bridge.h"
#include "CrashReporter/Platform/zzcrash_fault_context.h"
#include "tests/CrashReporter/Exceptions/ExceptionHandlers.h"
#include "tests/CrashReporter/Support/ForkedChild.h"
#include "tests/support/WaitUntil.h"

namespace {

using tessivar::testing::badAccessRequest;
using tessivar::testing::ExceptionCalls;
using tessivar::testing::PlainHandler;
using tessivar::testing::recordException;
using tessivar::testing::sendRequest;

constexpr std::uint32_t badAccess = zzcrash_exc_mask(ZZCRASH_EXC_BAD_ACCESS);
// Long enough for an answer on a loaded machine; only waits that must end
// without one take this long.
constexpr std::int64_t answerMs = 2000;
constexpr std::int64_t noAnswerMs = 200;

std::unique_ptr<ZZCrashMachExceptionServer> serverFor(ExceptionCalls* calls) {
    ZZCrashReporterError error(ZZCrashReporterError::Code::liveReportFailed, "");
    auto server = ZZCrashMachExceptionServer::create(recordException, calls, &error);
    EXPECT_TRUE(server) << error.description();
    return server;
}

// The server's port, for as long as the test sends to it.
class ServerRight {
public:
    explicit ServerRight(ZZCrashMachExceptionServer& server) : port_(server.copySendRightForServer()) {}
    ~ServerRight() { zzcrash_port_mod_send_refs(port_, -1); }
    ServerRight(const ServerRight&) = delete;
    ServerRight& operator=(const ServerRight&) = delete;
    zzcrash_port_t port() const { return port_; }

private:
    zzcrash_port_t port_;
};

// A request as a fault sends it reaches the callback with the faulting
// thread, the process and the 64-bit codes; its answer goes back.
TEST(ExceptionServer, AnswersARequestWithWhatItsCallbackSays) {
    ExceptionCalls calls;
    auto server = serverFor(&calls);
    const ServerRight right(*server);
    const std::int64_t codes[] = {2, 0x7fff00001234};
    for (const zzcrash_kern_return_t answer : {ZZCRASH_KERN_FAILURE, ZZCRASH_KERN_SUCCESS}) {
        calls.answer = answer;
        EXPECT_EQ(
            zzcrash_exception_raise(right.port(), true, gettid(), getpid(), ZZCRASH_EXC_BAD_ACCESS, codes, 2, answerMs),
            answer);
    }
    EXPECT_EQ(calls.calls(), 2);
    EXPECT_EQ(calls.thread, gettid());
    EXPECT_EQ(calls.task, getpid());
    EXPECT_EQ(calls.type, ZZCRASH_EXC_BAD_ACCESS);
    EXPECT_EQ(calls.codes, std::vector<std::int64_t>(std::begin(codes), std::end(codes)));
    EXPECT_NE(server->serverThread(), 0);
    EXPECT_NE(server->serverThread(), gettid());
}

// A handler still at work when the sender's time is up, as the writer of a
// crash report on a busy machine may be, is waited for: the faulting thread
// takes its answer instead of ending the process while the report is written.
TEST(ExceptionServer, ASenderWaitsPastItsTimeoutForAHandlerAtWorkOnItsRequest) {
    ExceptionCalls calls;
    calls.answer = ZZCRASH_KERN_SUCCESS;
    calls.workFor = std::chrono::milliseconds(2 * answerMs);
    auto server = serverFor(&calls);
    const ServerRight right(*server);
    const std::int64_t codes[] = {1, 0x10};
    EXPECT_EQ(
        zzcrash_exception_raise(right.port(), true, gettid(), getpid(), ZZCRASH_EXC_BAD_ACCESS, codes, 2, answerMs),
        ZZCRASH_KERN_SUCCESS);
    EXPECT_EQ(calls.calls(), 1);
}

// Larger than the page its thread starts with: received after one
// reallocation to the size the port reported.
TEST(ExceptionServer, ReceivesARequestLargerThanItsBuffer) {
    ExceptionCalls calls;
    calls.answer = ZZCRASH_KERN_SUCCESS;
    auto server = serverFor(&calls);
    const ServerRight right(*server);
    EXPECT_EQ(sendRequest(right.port(), badAccessRequest(), 3 * 4096, answerMs), ZZCRASH_KERN_SUCCESS);
    EXPECT_EQ(calls.calls(), 1);
    EXPECT_EQ(calls.codes, (std::vector<std::int64_t>{1, 0x10}));
}

// A request too short to hold a code is answered with failure; one whose code
// count runs past the end of the message, though not past the buffer, is
// dropped unanswered (its codes would be bytes no one sent); the server goes
// on answering.
TEST(ExceptionServer, RefusesRequestsThatDoNotHoldTheirCodes) {
    ExceptionCalls calls;
    calls.answer = ZZCRASH_KERN_SUCCESS;
    auto server = serverFor(&calls);
    const ServerRight right(*server);
    EXPECT_EQ(sendRequest(right.port(), badAccessRequest(), 75, answerMs), ZZCRASH_KERN_FAILURE);
    auto overlong = badAccessRequest();
    overlong.code_count = 400;
    EXPECT_EQ(sendRequest(right.port(), overlong, sizeof overlong, noAnswerMs), ZZCRASH_MACH_RCV_TIMED_OUT);
    EXPECT_EQ(calls.calls(), 0);
    EXPECT_EQ(sendRequest(right.port(), badAccessRequest(), sizeof(zzcrash_exception_request), answerMs),
              ZZCRASH_KERN_SUCCESS);
    EXPECT_EQ(calls.calls(), 1);
}

bool threadRuns(zzcrash_thread_t thread) {
    return std::filesystem::exists("/proc/self/task/" + std::to_string(thread));
}

// Released, the server stops its thread (which answered the stop message)
// and gives its ports back.
TEST(ExceptionServer, StopsItsThreadAndReleasesItsPortsWhenReleased) {
    ExceptionCalls calls;
    auto server = serverFor(&calls);
    const zzcrash_thread_t thread = server->serverThread();
    const zzcrash_port_t port = server->copySendRightForServer();
    zzcrash_port_mod_send_refs(port, -1);
    ASSERT_TRUE(threadRuns(thread));
    server.reset();
    EXPECT_EQ(zzcrash_port_send_refs(port), -1);
    tessivar::testing::waitUntil([&] { return !threadRuns(thread); }, std::chrono::seconds(2),
                                 std::chrono::milliseconds(1));
    EXPECT_FALSE(threadRuns(thread));
}

// When its last send right goes the server is told so, and takes no notice.
TEST(ExceptionServer, KeepsServingAfterItsLastSendRightGoes) {
    ExceptionCalls calls;
    calls.answer = ZZCRASH_KERN_SUCCESS;
    auto server = serverFor(&calls);
    auto registration = server->exceptionPortWithMask(badAccess);
    ASSERT_TRUE(registration);
    EXPECT_EQ(registration->behavior(), ZZCRASH_EXCEPTION_DEFAULT | ZZCRASH_MACH_EXCEPTION_CODES);
    EXPECT_EQ(registration->flavor(), ZZCRASH_X86_THREAD_STATE);
    const zzcrash_port_t port = registration->server_port();
    EXPECT_EQ(zzcrash_port_send_refs(port), 1);
    registration.reset();
    EXPECT_EQ(zzcrash_port_send_refs(port), 0);
    const ServerRight right(*server);
    EXPECT_EQ(sendRequest(right.port(), badAccessRequest(), sizeof(zzcrash_exception_request), answerMs),
              ZZCRASH_KERN_SUCCESS);
    EXPECT_EQ(calls.calls(), 1);
}

std::uint32_t freePorts() {
    std::vector<zzcrash_port_t> taken;
    for (zzcrash_port_t port; zzcrash_port_allocate(&port) == ZZCRASH_KERN_SUCCESS;) taken.push_back(port);
    for (const zzcrash_port_t port : taken) zzcrash_port_destroy(port);
    return static_cast<std::uint32_t>(taken.size());
}

// A server whose building fails after its two ports (the table has room for
// two, not for the set) gives them back, and its release does not wait for a
// thread that never started: a stop message to its notify port would find no
// one to answer it. In a child, whose port table the test may fill.
TEST(ExceptionServer, APartlyBuiltServerIsReleasedWithoutWaiting) {
    const auto result = tessivar::testing::runForked(
        [](int) {
            std::vector<zzcrash_port_t> filler;
            while (freePorts() > 2) {
                zzcrash_port_t port;
                zzcrash_port_allocate(&port);
                filler.push_back(port);
            }
            ExceptionCalls calls;
            ZZCrashReporterError error(ZZCrashReporterError::Code::liveReportFailed, "");
            if (ZZCrashMachExceptionServer::create(recordException, &calls, &error)) return 1;
            if (error.description() != "Failed to allocate exception server's port set") return 2;
            if (error.underlyingMachError() != ZZCRASH_KERN_RESOURCE_SHORTAGE) return 3;
            return freePorts() == 2 ? 0 : 4;
        },
        std::chrono::seconds(10));
    EXPECT_TRUE(result.exitedWith(0)) << "status " << result.status;
}

// Forwarding takes the first registration whose mask has the type and a port;
// only that one is tried, with 32-bit codes, and only a handler of the plain
// behaviour is sent to.
TEST(MachExceptionForward, SendsToTheFirstRegistrationThatTakesTheType) {
    struct Case {
        const char* what;
        std::uint32_t firstMask;
        std::int32_t firstBehavior;
        zzcrash_kern_return_t firstAnswer;
        bool firstIsNull;
        zzcrash_kern_return_t expected;
        bool firstReached;
        bool secondReached;
    };
    const Case cases[] = {
        {"the first answers success", badAccess, ZZCRASH_EXCEPTION_DEFAULT, ZZCRASH_KERN_SUCCESS, false,
         ZZCRASH_KERN_SUCCESS, true, false},
        {"the first answers failure: the second is not tried", badAccess, ZZCRASH_EXCEPTION_DEFAULT,
         ZZCRASH_KERN_FAILURE, false, ZZCRASH_KERN_FAILURE, true, false},
        {"the first wants 64-bit codes", badAccess, ZZCRASH_EXCEPTION_DEFAULT | ZZCRASH_MACH_EXCEPTION_CODES,
         ZZCRASH_KERN_SUCCESS, false, ZZCRASH_KERN_FAILURE, false, false},
        {"the first wants the thread state in no flavour there is", badAccess, ZZCRASH_EXCEPTION_STATE,
         ZZCRASH_KERN_SUCCESS, false, ZZCRASH_KERN_INVALID_ARGUMENT, false, false},
        {"the first takes other types", zzcrash_exc_mask(ZZCRASH_EXC_ARITHMETIC), ZZCRASH_EXCEPTION_DEFAULT,
         ZZCRASH_KERN_SUCCESS, false, ZZCRASH_KERN_SUCCESS, false, true},
        {"the first has no port", badAccess, ZZCRASH_EXCEPTION_DEFAULT, ZZCRASH_KERN_SUCCESS, true,
         ZZCRASH_KERN_SUCCESS, false, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        PlainHandler first(c.firstAnswer), second(ZZCRASH_KERN_SUCCESS);
        zzcrash_mach_exception_port_set set{};
        set.count = 2;
        set.masks[0] = c.firstMask;
        set.ports[0] = c.firstIsNull ? ZZCRASH_PORT_NULL : first.port();
        set.behaviors[0] = static_cast<std::uint32_t>(c.firstBehavior);
        set.masks[1] = badAccess;
        set.ports[1] = second.port();
        set.behaviors[1] = ZZCRASH_EXCEPTION_DEFAULT;
        const std::int64_t codes[] = {1, 0x100000010};
        EXPECT_EQ(zzcrash_mach_exception_forward(getpid(), gettid(), ZZCRASH_EXC_BAD_ACCESS, codes, 2, &set),
                  c.expected);
        const auto reached = first.request();
        EXPECT_EQ(reached.has_value(), c.firstReached);
        EXPECT_EQ(second.request().has_value(), c.secondReached);
        if (!reached) continue;
        EXPECT_EQ(reached->header.id, ZZCRASH_EXCEPTION_RAISE_ID);
        EXPECT_EQ(reached->header.size, 76u);
        EXPECT_EQ(reached->thread.name, static_cast<std::uint32_t>(gettid()));
        std::int32_t sent[2];
        std::memcpy(sent, reached->codes, sizeof sent);
        EXPECT_EQ(sent[0], 1);
        EXPECT_EQ(sent[1], 0x10);  // the low half
    }
}

// Two servers: the later one, registered for the process, finds the earlier
// one's registration in what it replaced, and passes its exceptions there
// first. A server's registration wants 64-bit codes, so it is not sent to:
// the later server decides alone.
struct Forwarding {
    const zzcrash_mach_exception_port_set* previous;
    ExceptionCalls calls;
    zzcrash_kern_return_t forwarded = ZZCRASH_KERN_SUCCESS;
};

zzcrash_kern_return_t forwardFirst(pid_t task, zzcrash_thread_t thread, std::int32_t type, const std::int64_t* codes,
                                   std::uint32_t count, void* context) {
    auto* forwarding = static_cast<Forwarding*>(context);
    forwarding->forwarded = zzcrash_mach_exception_forward(task, thread, type, codes, count, forwarding->previous);
    return recordException(task, thread, type, codes, count, &forwarding->calls);
}

TEST(MachExceptionForward, BetweenTwoServersRegisteredForTheProcess) {
    ExceptionCalls earlierCalls;
    earlierCalls.answer = ZZCRASH_KERN_SUCCESS;
    auto earlier = serverFor(&earlierCalls);
    ASSERT_TRUE(earlier->exceptionPortWithMask(badAccess)->registerForTask(getpid(), nullptr));
    Forwarding forwarding;
    ZZCrashReporterError error(ZZCrashReporterError::Code::liveReportFailed, "");
    auto later = ZZCrashMachExceptionServer::create(forwardFirst, &forwarding, &error);
    ASSERT_TRUE(later);
    std::shared_ptr<ZZCrashMachExceptionPortSet> previous;
    ASSERT_TRUE(later->exceptionPortWithMask(badAccess)->registerForTask(getpid(), &previous));
    ASSERT_TRUE(previous);
    ASSERT_EQ(previous->set().size(), 1u);
    EXPECT_EQ(previous->set()[0]->server_port(), earlier->copySendRightForServer());
    zzcrash_port_mod_send_refs(previous->set()[0]->server_port(), -1);
    forwarding.previous = &previous->asyncSafeRepresentation();

    zzcrash_exception_registration registered{};
    ASSERT_TRUE(zzcrash_exception_port_for(gettid(), ZZCRASH_EXC_BAD_ACCESS, &registered));
    const std::int64_t codes[] = {1, 0x10};
    EXPECT_EQ(
        zzcrash_exception_raise(registered.port, true, gettid(), getpid(), ZZCRASH_EXC_BAD_ACCESS, codes, 2, answerMs),
        ZZCRASH_KERN_FAILURE);
    EXPECT_EQ(forwarding.forwarded, ZZCRASH_KERN_FAILURE);
    EXPECT_EQ(forwarding.calls.calls(), 1);
    EXPECT_EQ(earlierCalls.calls(), 0);
    zzcrash_task_swap_exception_ports(ZZCRASH_EXC_MASK_ALL, ZZCRASH_PORT_NULL, ZZCRASH_EXCEPTION_DEFAULT, 0, nullptr);
}

// The registers of a thread that waits on its fault, as a signal gave them.
mcontext_t faultedRegisters() {
    mcontext_t context{};
    context.gregs[REG_RAX] = 0x1111;
    context.gregs[REG_RSP] = 0x7ffc0000;
    context.gregs[REG_RIP] = 0x401000;
    context.gregs[REG_CSGSFS] = 0x33;
    context.gregs[REG_TRAPNO] = 14;
    context.gregs[REG_CR2] = 0x10;
    return context;
}

// Words of a thread state: the headed form has {flavour, count} first; the
// bare set is rax, rbx, ... rip (the 17th register).
constexpr std::size_t raxWord = 2, ripWord = 2 + 16 * 2;

// A handler that takes the thread's state gets the registers of the thread
// that waits on its fault in the flavour it registered with, and the state
// its answer of success carries becomes that thread's.
TEST(MachExceptionForward, SendsTheThreadStateAndAppliesTheOneAnsweredWithSuccess) {
    using tessivar::testing::StateHandler;
    struct Case {
        const char* what;
        std::int32_t behavior;
        std::uint32_t flavor;
        StateHandler::Reply reply;
        zzcrash_kern_return_t expected;
        std::size_t stateWords;  // 0: the handler is not reached
        bool applied;
    };
    const Case cases[] = {
        {"state, headed thread state",
         ZZCRASH_EXCEPTION_STATE,
         ZZCRASH_X86_THREAD_STATE,
         {ZZCRASH_KERN_SUCCESS, {{ripWord, 0x401002}, {raxWord, 0x77}}},
         ZZCRASH_KERN_SUCCESS,
         44,
         true},
        {"identity, bare thread state",
         ZZCRASH_EXCEPTION_STATE_IDENTITY,
         ZZCRASH_X86_THREAD_STATE64,
         {ZZCRASH_KERN_SUCCESS, {{ripWord - 2, 0x401002}, {raxWord - 2, 0x77}}},
         ZZCRASH_KERN_SUCCESS,
         42,
         true},
        {"identity, the handler fails",
         ZZCRASH_EXCEPTION_STATE_IDENTITY,
         ZZCRASH_X86_THREAD_STATE,
         {ZZCRASH_KERN_FAILURE, {}},
         ZZCRASH_KERN_FAILURE,
         44,
         false},
        {"success without a state",
         ZZCRASH_EXCEPTION_STATE,
         ZZCRASH_X86_THREAD_STATE,
         {ZZCRASH_KERN_SUCCESS, {{ripWord, 0x401002}}, true},
         ZZCRASH_KERN_FAILURE,
         44,
         false},
        {"the exception state",
         ZZCRASH_EXCEPTION_STATE,
         ZZCRASH_X86_EXCEPTION_STATE,
         {ZZCRASH_KERN_SUCCESS, {}},
         ZZCRASH_KERN_SUCCESS,
         6,
         false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        mcontext_t registers = faultedRegisters();
        ASSERT_TRUE(zzcrash_fault_context_save(gettid(), &registers, nullptr));
        StateHandler handler(c.reply, 1);
        zzcrash_mach_exception_port_set set{};
        set.count = 1;
        set.masks[0] = badAccess;
        set.ports[0] = handler.port();
        set.behaviors[0] = static_cast<std::uint32_t>(c.behavior);
        set.flavors[0] = c.flavor;
        const std::int64_t codes[] = {1, 0x100000010};
        EXPECT_EQ(zzcrash_mach_exception_forward(getpid(), gettid(), ZZCRASH_EXC_BAD_ACCESS, codes, 2, &set),
                  c.expected);
        zzcrash_fault_context_clear(gettid());
        EXPECT_EQ(registers.gregs[REG_RIP], c.applied ? 0x401002 : 0x401000);
        EXPECT_EQ(registers.gregs[REG_RAX], c.applied ? 0x77 : 0x1111);
        EXPECT_EQ(registers.gregs[REG_CSGSFS], 0x33);
        const auto requests = handler.requests();
        ASSERT_EQ(requests.size(), c.stateWords ? 1u : 0u);
        if (requests.empty()) continue;
        const auto& seen = requests[0];
        const bool identity = c.behavior == ZZCRASH_EXCEPTION_STATE_IDENTITY;
        EXPECT_EQ(seen.id, identity ? ZZCRASH_EXCEPTION_RAISE_STATE_IDENTITY_ID : ZZCRASH_EXCEPTION_RAISE_STATE_ID);
        EXPECT_EQ(seen.complex, identity);
        EXPECT_EQ(seen.threadName, identity ? static_cast<std::uint32_t>(gettid()) : 0u);
        EXPECT_EQ(seen.taskName, identity ? static_cast<std::uint32_t>(getpid()) : 0u);
        EXPECT_EQ(seen.exception, ZZCRASH_EXC_BAD_ACCESS);
        EXPECT_EQ(seen.codes, (std::vector<std::int32_t>{1, 0x10}));  // the low halves
        EXPECT_EQ(seen.flavor, c.flavor);
        ASSERT_EQ(seen.state.size(), c.stateWords);
        if (c.flavor == ZZCRASH_X86_EXCEPTION_STATE) {
            EXPECT_EQ(seen.state, (std::vector<std::uint32_t>{ZZCRASH_X86_EXCEPTION_STATE64, 4, 14, 0, 0x10, 0}));
            continue;
        }
        const std::size_t header = c.stateWords - 42;
        EXPECT_EQ(seen.state[ripWord - 2 + header], 0x401000u);
        EXPECT_EQ(seen.state[raxWord - 2 + header], 0x1111u);
    }
}

}  // namespace

// An illegal instruction two bytes long, which a handler can step over.
asm(R"(
    .text
    .globl tessivar_forward_test_trap
    .type tessivar_forward_test_trap, @function
tessivar_forward_test_trap:
    ud2
    ret
    .size tessivar_forward_test_trap, .-tessivar_forward_test_trap
)");
extern "C" void tessivar_forward_test_trap();

namespace {

zzcrash_kern_return_t forwardOnly(pid_t task, zzcrash_thread_t thread, std::int32_t type, const std::int64_t* codes,
                                  std::uint32_t count, void* previous) {
    return zzcrash_mach_exception_forward(task, thread, type, codes, count,
                                          static_cast<const zzcrash_mach_exception_port_set*>(previous));
}

// A real fault, sent through the bridge to a server that passes it on to the
// handler registered before it, which wants the thread's state: the handler
// moves the thread past the illegal instruction and answers success (failure
// to any second request), and the thread goes on from there.
int childSteppedOverItsFault(int output) {
    if (!zzcrash_fault_bridge_install()) return 10;
    const auto next = reinterpret_cast<std::uint64_t>(&tessivar_forward_test_trap) + 2;
    tessivar::testing::StateHandler handler(
        {ZZCRASH_KERN_SUCCESS,
         {{ripWord, static_cast<std::uint32_t>(next)}, {ripWord + 1, static_cast<std::uint32_t>(next >> 32)}}},
        1);
    const std::uint32_t mask = zzcrash_exc_mask(ZZCRASH_EXC_BAD_INSTRUCTION);
    if (zzcrash_task_swap_exception_ports(mask, handler.port(), ZZCRASH_EXCEPTION_STATE_IDENTITY,
                                          ZZCRASH_X86_THREAD_STATE, nullptr) != ZZCRASH_KERN_SUCCESS)
        return 11;
    zzcrash_mach_exception_port_set previous{};
    auto server = ZZCrashMachExceptionServer::create(forwardOnly, &previous);
    std::shared_ptr<ZZCrashMachExceptionPortSet> replaced;
    if (!server || !server->exceptionPortWithMask(mask)->registerForTask(getpid(), &replaced) || !replaced) return 12;
    previous = replaced->asyncSafeRepresentation();
    tessivar_forward_test_trap();
    const auto requests = handler.requests().size();
    return write(output, &requests, sizeof requests) == sizeof requests ? 0 : 13;
}

TEST(MachExceptionForward, AThreadGoesOnWithTheStateItsHandlerAnswered) {
    const auto result = tessivar::testing::runForked(childSteppedOverItsFault, std::chrono::seconds(20));
    EXPECT_TRUE(result.exitedWith(0)) << "status " << result.status;
    std::size_t requests = 0;
    ASSERT_EQ(result.output.size(), sizeof requests);
    std::memcpy(&requests, result.output.data(), sizeof requests);
    EXPECT_EQ(requests, 1u);
}

TEST(MachExceptionToSignal, MapsEachExceptionAsItsTableSays) {
    struct Case {
        std::int32_t type;
        std::int64_t code;
        std::uint32_t count;
        int signal;  // 0: none
        int signalCode;
    };
    const Case cases[] = {
        {ZZCRASH_EXC_BAD_ACCESS, 1, 2, SIGSEGV, SEGV_MAPERR},
        {ZZCRASH_EXC_BAD_ACCESS, 2, 2, SIGBUS, BUS_ADRERR},
        {ZZCRASH_EXC_BAD_INSTRUCTION, 1, 2, SIGILL, 0},
        {ZZCRASH_EXC_ARITHMETIC, 1, 2, SIGFPE, 0},
        {ZZCRASH_EXC_EMULATION, 1, 2, ZZCRASH_SIGEMT, 0},
        {ZZCRASH_EXC_SOFTWARE, 0x10000, 2, SIGSYS, 0},
        {ZZCRASH_EXC_SOFTWARE, 0x10001, 2, SIGPIPE, 0},
        {ZZCRASH_EXC_SOFTWARE, 0x10002, 2, SIGABRT, 0},
        {ZZCRASH_EXC_SOFTWARE, 0x10003, 2, SIGKILL, 0},
        {ZZCRASH_EXC_SOFTWARE, 7, 2, SIGABRT, 0},
        {ZZCRASH_EXC_BREAKPOINT, 1, 2, SIGTRAP, TRAP_BRKPT},
        {ZZCRASH_EXC_BAD_ACCESS, 1, 1, 0, 0},
        {0, 1, 2, 0, 0},
        {7, 1, 2, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "type " << c.type << ", code " << c.code << ", count " << c.count);
        const std::int64_t codes[] = {c.code, 0x1234};
        siginfo_t info{};
        ASSERT_EQ(zzcrash_async_mach_exception_to_signal(c.type, codes, c.count, &info), c.signal != 0);
        if (c.signal == 0) continue;
        EXPECT_EQ(info.si_signo, c.signal);
        EXPECT_EQ(info.si_code, c.signalCode);
        EXPECT_EQ(info.si_addr, reinterpret_cast<void*>(0x1234));
    }
}

// A set's flat form lists its registrations in order; a set made from a flat
// answer takes over the right that came with each port.
TEST(MachExceptionPortSet, KeepsItsFlatFormAndTheRightsOfAnAnswer) {
    zzcrash_port_t port = ZZCRASH_PORT_NULL;
    ASSERT_EQ(zzcrash_port_allocate(&port), ZZCRASH_KERN_SUCCESS);
    zzcrash_port_mod_send_refs(port, 1);  // the right an answer comes with
    zzcrash_mach_exception_port_set answer{};
    answer.count = 1;
    answer.masks[0] = badAccess;
    answer.ports[0] = port;
    answer.behaviors[0] = ZZCRASH_EXCEPTION_DEFAULT;
    answer.flavors[0] = ZZCRASH_X86_THREAD_STATE;
    {
        const ZZCrashMachExceptionPortSet set(answer);
        EXPECT_EQ(zzcrash_port_send_refs(port), 1);
        ASSERT_EQ(set.set().size(), 1u);
        EXPECT_EQ(set.set()[0]->server_port(), port);
        const ZZCrashMachExceptionPortSet again(set.set());
        EXPECT_EQ(std::memcmp(&again.asyncSafeRepresentation(), &answer, sizeof answer), 0);
    }
    EXPECT_EQ(zzcrash_port_send_refs(port), 0);
    zzcrash_port_destroy(port);

    const auto result = tessivar::testing::runForked(
        [](int) {
            ZZCrashMachExceptionPortSet::Ports fifteen;
            for (int i = 0; i < 15; ++i)
                fifteen.push_back(std::make_shared<ZZCrashMachExceptionPort>(ZZCRASH_PORT_NULL, badAccess, 1, 7));
            const ZZCrashMachExceptionPortSet set(fifteen);
            return 0;
        },
        std::chrono::seconds(10));
    EXPECT_TRUE(result.killedBy(SIGABRT)) << "status " << result.status;
}

}  // namespace
