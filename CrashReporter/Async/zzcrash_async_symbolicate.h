#pragma once
#include <cstdint>

#include "CrashReporter/Async/MachO/zzcrash_async_classmeta.h"
#include "CrashReporter/Async/MachO/zzcrash_async_macho_symtab_reader.h"

// Where names of functions come from: bits of a strategy set.
inline constexpr std::uint32_t ZZCRASH_SYMBOL_STRATEGY_SYMBOL_TABLE = 1;
inline constexpr std::uint32_t ZZCRASH_SYMBOL_STRATEGY_OBJC = 2;

// Names are cut to this many characters.
inline constexpr std::uint32_t ZZCRASH_SYMBOL_NAME_MAX = 255;

// One crash log's symbol lookups share a cache.
using zzcrash_async_symbolication_cache = zzcrash_async_classmeta_cache;
void zzcrash_async_symbolication_cache_init(zzcrash_async_symbolication_cache* cache);
void zzcrash_async_symbolication_cache_free(zzcrash_async_symbolication_cache* cache);

// Names the function holding `pc` in `image`: the nearest symbol at or below
// it and, from the class metadata, the nearest method ("-[Class selector]" or
// "+[Class selector]"); the higher start wins, the method on a tie. Calls back
// with the start and the name (valid only during the call). Error 8 when every
// requested strategy failed, 6 when none found a name. Async-signal-safe.
zzcrash_error_t zzcrash_async_symbolicate_pc(const zzcrash_async_macho_image* image, std::uint32_t strategy,
                                             zzcrash_async_symbolication_cache* cache, std::uint64_t pc,
                                             zzcrash_async_macho_found_symbol_cb callback, void* context);
