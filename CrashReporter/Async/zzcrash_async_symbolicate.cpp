#include "CrashReporter/Async/zzcrash_async_symbolicate.h"

namespace {

struct Lookup {
    char name[ZZCRASH_SYMBOL_NAME_MAX + 1];
    bool found;
    std::uint64_t start;
};

// A name held for a higher start is kept.
bool takes(const Lookup* lookup, std::uint64_t start) { return !lookup->found || lookup->start <= start; }

// Appends up to the name's limit; answers the new length.
std::uint32_t append(Lookup* lookup, std::uint32_t length, const char* text, std::uint64_t textLength) {
    for (std::uint64_t i = 0; i < textLength && length < ZZCRASH_SYMBOL_NAME_MAX; ++i) lookup->name[length++] = text[i];
    lookup->name[length] = '\0';
    return length;
}

void collectSymbol(std::uint64_t start, const char* name, void* context) {
    auto* lookup = static_cast<Lookup*>(context);
    if (!takes(lookup, start)) return;
    std::uint64_t length = 0;
    while (name[length] != '\0') ++length;
    append(lookup, 0, name, length);
    lookup->found = true;
    lookup->start = start;
}

bool textOf(zzcrash_async_macho_lazy_string* string, const char** text, std::uint64_t* length) {
    return zzcrash_async_macho_lazy_string_get_pointer(string, text) == ZZCRASH_ESUCCESS &&
           zzcrash_async_macho_lazy_string_get_length(string, length) == ZZCRASH_ESUCCESS;
}

void collectMethod(bool isClassMethod, zzcrash_async_macho_lazy_string* className,
                   zzcrash_async_macho_lazy_string* methodName, std::uint64_t start, void* context) {
    auto* lookup = static_cast<Lookup*>(context);
    const char* classText = nullptr;
    const char* methodText = nullptr;
    std::uint64_t classLength = 0;
    std::uint64_t methodLength = 0;
    if (!takes(lookup, start) || !textOf(className, &classText, &classLength) ||
        !textOf(methodName, &methodText, &methodLength))
        return;
    std::uint32_t length = append(lookup, 0, isClassMethod ? "+[" : "-[", 2);
    length = append(lookup, length, classText, classLength);
    length = append(lookup, length, " ", 1);
    length = append(lookup, length, methodText, methodLength);
    append(lookup, length, "]", 1);
    lookup->found = true;
    lookup->start = start;
}

}  // namespace

void zzcrash_async_symbolication_cache_init(zzcrash_async_symbolication_cache* cache) {
    zzcrash_async_classmeta_cache_init(cache);
}

void zzcrash_async_symbolication_cache_free(zzcrash_async_symbolication_cache* cache) {
    zzcrash_async_classmeta_cache_free(cache);
}

zzcrash_error_t zzcrash_async_symbolicate_pc(const zzcrash_async_macho_image* image, std::uint32_t strategy,
                                             zzcrash_async_symbolication_cache* cache, std::uint64_t pc,
                                             zzcrash_async_macho_found_symbol_cb callback, void* context) {
    Lookup lookup;
    lookup.found = false;
    bool anySucceeded = false;
    if (strategy & ZZCRASH_SYMBOL_STRATEGY_SYMBOL_TABLE)
        anySucceeded = zzcrash_async_macho_symbol_at_pc(image, pc, collectSymbol, &lookup) == ZZCRASH_ESUCCESS;
    if (strategy & ZZCRASH_SYMBOL_STRATEGY_OBJC) {
        const bool found =
            zzcrash_async_classmeta_find_method(image, cache, pc, collectMethod, &lookup) == ZZCRASH_ESUCCESS;
        anySucceeded = anySucceeded || found;
    }
    if (!anySucceeded) return ZZCRASH_ENOTFOUND;
    if (!lookup.found) return ZZCRASH_EINTERNAL;
    callback(lookup.start, lookup.name, context);
    return ZZCRASH_ESUCCESS;
}
