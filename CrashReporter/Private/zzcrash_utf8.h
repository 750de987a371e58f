#pragma once
#include <cstddef>

// The length of the longest prefix of `bytes` that is valid UTF-8 as far as
// the lead and continuation bytes go (overlong forms and surrogates are not
// checked). A leading byte-order mark is skipped and counted; a NUL ends the
// prefix.
std::size_t zzcrash_utf8_valid_prefix_length(const char* bytes, std::size_t length);
// The same over a NUL-terminated string.
std::size_t zzcrash_utf8_valid_length(const char* string);
