#pragma once
#include <sys/types.h>

// A thread of this process, by its kernel thread id.
using zzcrash_thread_t = pid_t;
