#pragma once
#include <cstddef>

// Running crash-time work on a stack with known room, whatever stack the
// handler was given. Async-signal-safe, allocates nothing.

// Runs `body(argument)` with its stack at the top of [stack, stack + size)
// (16-byte aligned), then goes on on the caller's own stack.
void zzcrash_call_on_stack(void (*body)(void*), void* argument, void* stack, std::size_t size);

// The bytes left below the caller's stack pointer when it runs on its
// thread's alternate signal stack; SIZE_MAX when it does not (the room of a
// thread's own stack is not known here).
std::size_t zzcrash_alternate_stack_room();
