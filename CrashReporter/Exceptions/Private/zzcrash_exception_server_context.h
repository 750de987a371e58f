#pragma once
#include <pthread.h>

#include <atomic>
#include <cstdint>

#include "CrashReporter/Exceptions/ZZCrashMachExceptionServer.h"

// The state an exception server shares with its thread.
struct zzcrash_exception_server_context {
    zzcrash_thread_t server_thread;  // under the lock
    zzcrash_port_t server_port;      // receives the exceptions
    zzcrash_port_t notify_port;      // no-senders notifications and the stop message
    zzcrash_port_t port_set;         // the two together, where the thread waits
    zzcrash_mach_exception_server_callback callback;
    void* callback_context;
    pthread_mutex_t lock;
    pthread_cond_t changed;
    std::atomic<std::uint32_t> stop_requested;
    bool started;  // under the lock: the thread runs (it set server_thread)
    bool stopped;  // under the lock: the thread has ended, or never ran
};

// The id of the message that stops the server's thread.
inline constexpr std::int32_t ZZCRASH_EXCEPTION_SERVER_STOP_ID = static_cast<std::int32_t>(0xdeadbeef);

// The server's thread: receives on the port set until the stop message.
void* zzcrash_exception_server_loop(void* context);
