#pragma once

// Gives every thread an alternate signal stack (zzcrash_thread_stacks.h):
// the running ones now, and those started from now on at their start, which
// goes through this library's pthread_create. The stack of a started thread
// is given back when the thread ends. Not for the crash path.
bool zzcrash_thread_start_cover_all();
