#pragma once
#include <pthread.h>

#include "CrashReporter/Platform/zzcrash_thread_stacks.h"

// Starts a thread as pthread_create does, whose routine runs with an
// alternate signal stack of the thread's own (zzcrash_thread_stacks.h), so
// that a stack overflow on it is reported like any other crash. A program
// that wants every thread covered starts its threads with this (a thread
// started otherwise calls zzcrash_thread_install_alternate_stack first
// thing). Answers what pthread_create answers; EAGAIN when the start's
// record cannot be allocated.
int zzcrash_thread_create(pthread_t* thread, const pthread_attr_t* attributes, void* (*routine)(void*), void* argument);
