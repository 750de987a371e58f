#pragma once
#include "CrashReporter/Async/zzcrash_async_image_list.h"

// A library loaded after the image list was last brought up to date (a
// dlopen between the enable and a crash) would be missing from the report,
// and the frames inside it with it. No notice comes from the loader when it
// maps one, and its list cannot be asked for at crash time (under its lock),
// so the crash handler walks the loader's own chain of loaded objects with
// checked reads and brings the list up to date from it.

// Not for the crash path: makes `list` (this process's ELF images) the one a
// crash brings up to date, and reserves what that needs. Call it after each
// refresh from the loader, as the refresh may use the reserve. The list then
// lives as long as the process: records taken in at crash time are the chain
// reader's own, never to be released by the list.
void zzcrash_loader_chain_prepare(zzcrash_async_image_list* list);

// Async-signal-safe, allocates nothing: appends the images in the loader's
// chain that `list` lacks and removes the ones no longer in it. Nothing for
// another list than the prepared one, while the loader is changing its chain,
// or when the chain cannot be read to its end; no removal when a writer of
// the list holds its lock. At most a few dozen new images are taken in.
void zzcrash_loader_chain_refresh(zzcrash_async_image_list* list);
