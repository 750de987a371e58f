#include "CrashReporter/Exceptions/ZZCrashMachExceptionServer.h"

#include <cerrno>
#include <cstdio>

#include "CrashReporter/Exceptions/Private/zzcrash_exception_server_context.h"
#include "CrashReporter/Platform/zzcrash_mach_exception_port_set.h"
#include "CrashReporter/Platform/zzcrash_message.h"

namespace {

using Context = zzcrash_exception_server_context;

// Releases what a server holds. A thread that never started is not waited
// for: nothing would ever say that it stopped.
void release(Context* context) {
    for (const zzcrash_port_t port : {context->server_port, context->notify_port, context->port_set})
        if (port != ZZCRASH_PORT_NULL) zzcrash_port_destroy(port);
    pthread_cond_destroy(&context->changed);
    pthread_mutex_destroy(&context->lock);
    delete context;
}

bool fail(Context* context, ZZCrashReporterError* error, ZZCrashReporterError failure) {
    if (error) *error = std::move(failure);
    release(context);
    return false;
}

struct Step {
    zzcrash_kern_return_t (*run)(Context*);
    const char* failure;
};

// The ports, the no-senders request and the set, in order.
const Step portSteps[] = {
    {[](Context* c) { return zzcrash_port_allocate(&c->server_port); }, "Failed to allocate exception server's port"},
    {[](Context* c) { return zzcrash_port_allocate(&c->notify_port); }, "Failed to allocate exception server's port"},
    {[](Context* c) { return zzcrash_port_mod_send_refs(c->notify_port, 1); },
     "Failed to add send right to exception server's port"},
    {[](Context* c) { return zzcrash_port_request_no_senders(c->server_port, c->notify_port); },
     "Failed to request MACH_NOTIFY_NO_SENDERS on the exception server's port"},
    {[](Context* c) { return zzcrash_port_set_allocate(&c->port_set); },
     "Failed to allocate exception server's port set"},
    {[](Context* c) { return zzcrash_port_move_member(c->server_port, c->port_set); },
     "Failed to add exception server port to port set"},
    {[](Context* c) { return zzcrash_port_move_member(c->notify_port, c->port_set); },
     "Failed to add exception server notify port to port set"},
};

// False (the context released) at the first step that fails.
bool makePorts(Context* context, ZZCrashReporterError* error) {
    for (const Step& step : portSteps) {
        const zzcrash_kern_return_t result = step.run(context);
        if (result != ZZCRASH_KERN_SUCCESS) return fail(context, error, zzcrash_make_mach_error(step.failure, result));
    }
    return true;
}

bool startThread(Context* context, ZZCrashReporterError* error) {
    pthread_attr_t attributes;
    if (pthread_attr_init(&attributes) != 0)
        return fail(context, error, zzcrash_make_posix_error("Failed to initialize pthread_attr", errno));
    pthread_attr_setdetachstate(&attributes, PTHREAD_CREATE_DETACHED);
    pthread_t thread;
    const int created = pthread_create(&thread, &attributes, zzcrash_exception_server_loop, context);
    pthread_attr_destroy(&attributes);
    if (created != 0)
        return fail(context, error, zzcrash_make_posix_error("Failed to create exception server thread", created));
    // The thread says who it is before it waits for messages.
    pthread_mutex_lock(&context->lock);
    while (!context->started) pthread_cond_wait(&context->changed, &context->lock);
    pthread_mutex_unlock(&context->lock);
    return true;
}

Context* makeContext(zzcrash_mach_exception_server_callback callback, void* callbackContext,
                     ZZCrashReporterError* error) {
    auto* context = new Context{};
    context->callback = callback;
    context->callback_context = callbackContext;
    if (const int result = pthread_mutex_init(&context->lock, nullptr); result != 0) {
        if (error) *error = zzcrash_make_posix_error("Mutex initialization failed", result);
        delete context;
        return nullptr;
    }
    if (const int result = pthread_cond_init(&context->changed, nullptr); result != 0) {
        if (error) *error = zzcrash_make_posix_error("Condition initialization failed", result);
        pthread_mutex_destroy(&context->lock);
        delete context;
        return nullptr;
    }
    return context;
}

// False when the stop message could not be sent: the thread then keeps
// running, and everything it uses is kept.
bool stopThread(Context* context) {
    std::uint32_t running = 0;
    context->stop_requested.compare_exchange_strong(running, 1);
    const zzcrash_msg_header stop{zzcrash_msgh_bits(ZZCRASH_MSG_TYPE_MAKE_SEND, 0),
                                  sizeof stop,
                                  context->notify_port,
                                  ZZCRASH_PORT_NULL,
                                  0,
                                  ZZCRASH_EXCEPTION_SERVER_STOP_ID};
    const zzcrash_kern_return_t sent = zzcrash_msg_send(&stop);
    if (sent != ZZCRASH_KERN_SUCCESS) {
        std::fprintf(stderr,
                     "[ZZCrashReporter] Unexpected error sending termination message to background thread: %d\n", sent);
        return false;
    }
    pthread_mutex_lock(&context->lock);
    while (!context->stopped) pthread_cond_wait(&context->changed, &context->lock);
    pthread_mutex_unlock(&context->lock);
    return true;
}

}  // namespace

std::unique_ptr<ZZCrashMachExceptionServer> ZZCrashMachExceptionServer::create(
    zzcrash_mach_exception_server_callback callback, void* context, ZZCrashReporterError* error) {
    Context* made = makeContext(callback, context, error);
    if (!made || !makePorts(made, error) || !startThread(made, error)) return nullptr;
    return std::unique_ptr<ZZCrashMachExceptionServer>(new ZZCrashMachExceptionServer(made));
}

ZZCrashMachExceptionServer::~ZZCrashMachExceptionServer() {
    if (stopThread(context_)) release(context_);
}

std::shared_ptr<ZZCrashMachExceptionPort> ZZCrashMachExceptionServer::exceptionPortWithMask(
    std::uint32_t mask, ZZCrashReporterError* error) {
    const zzcrash_port_t right = copySendRightForServer(error);
    if (right == ZZCRASH_PORT_NULL) return nullptr;
    auto port = std::make_shared<ZZCrashMachExceptionPort>(
        right, mask, ZZCRASH_EXCEPTION_DEFAULT | ZZCRASH_MACH_EXCEPTION_CODES, ZZCRASH_X86_THREAD_STATE);
    zzcrash_port_mod_send_refs(right, -1);
    return port;
}

zzcrash_port_t ZZCrashMachExceptionServer::copySendRightForServer(ZZCrashReporterError* error) {
    pthread_mutex_lock(&context_->lock);
    const zzcrash_kern_return_t result = zzcrash_port_mod_send_refs(context_->server_port, 1);
    pthread_mutex_unlock(&context_->lock);
    if (result == ZZCRASH_KERN_SUCCESS) return context_->server_port;
    if (error) *error = zzcrash_make_mach_error("Failed to insert Mach send right", result);
    return ZZCRASH_PORT_NULL;
}

zzcrash_thread_t ZZCrashMachExceptionServer::serverThread() const {
    pthread_mutex_lock(&context_->lock);
    const zzcrash_thread_t thread = context_->server_thread;
    pthread_mutex_unlock(&context_->lock);
    return thread;
}
