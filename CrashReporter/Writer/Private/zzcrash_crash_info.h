#pragma once
#include <cstddef>

#include "CrashReporter/Async/MachO/zzcrash_async_macho_image.h"

// The message a library leaves in its image's "__crash_info" section for
// crash reports (an assertion's text, say): found and copied out of the
// process at crash time. Async-signal-safe.

inline constexpr std::size_t ZZCRASH_CRASH_INFO_MESSAGE_MAX = 1024;

// Searches the image's data segments ("__DATA", "__DATA_CONST",
// "__DATA_DIRTY", the first that has the section decides) for a record of
// version 4 or 5 and copies its message (the text at offset 8, or at offset
// 32 when that one cannot be read) into `message`, NUL-terminated. True when
// a text was copied, an empty one too: the search ends there. A message cut
// at 1024 bytes keeps whole UTF-8 sequences.
bool zzcrash_crash_info_search(const zzcrash_async_macho_image* image,
                               char message[ZZCRASH_CRASH_INFO_MESSAGE_MAX + 1]);

// The length of the longest prefix of `text` that does not end inside a
// UTF-8 sequence.
std::size_t zzcrash_crash_info_whole_sequences(const char* text, std::size_t length);
