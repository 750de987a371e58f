#pragma once
#include "CrashReporter/Async/zzcrash_async_image_list.h"

// The list of this process's ELF images that crash reports are written from,
// made at first use and brought up to date with the dynamic loader on every
// call: call it when the reporter is enabled and before a live report, never
// in a crash (the loader's list is read under its lock): a crash brings it up
// to date from the loader's chain instead (zzcrash_loader_chain_refresh).
zzcrash_async_image_list* zzcrash_shared_image_list();
