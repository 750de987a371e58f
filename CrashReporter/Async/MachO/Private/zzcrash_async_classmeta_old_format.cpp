#include "CrashReporter/Async/MachO/Private/zzcrash_async_classmeta_old_format.h"

#include "CrashReporter/Async/MachO/Private/zzcrash_async_macho_fields.h"
#include "CrashReporter/Async/zzcrash_async_string.h"

namespace {

constexpr std::uint64_t moduleSize = 16;
constexpr std::uint64_t methodSize = 12;
// A class whose method field is one list (or none), not an array of lists.
constexpr std::uint32_t singleMethodListFlag = 0x4000;
constexpr std::uint32_t listArrayEnd = 0xFFFFFFFF;

struct OldWalk {
    const zzcrash_async_macho_image* image;
    zzcrash_async_classmeta_method_cb callback;
    void* context;
};

// N 32-bit words at `address` of the task, in this machine's order.
template <std::size_t N>
zzcrash_error_t copyWords(const OldWalk& walk, std::uint64_t address, std::uint32_t (&words)[N]) {
    const zzcrash_error_t error = zzcrash_async_task_copy(walk.image->task, address, 0, words, sizeof words);
    if (error != ZZCRASH_ESUCCESS) return error;
    for (std::uint32_t& word : words) word = walk.image->byteorder->swap32(word);
    return ZZCRASH_ESUCCESS;
}

// {obsolete, count}, then {name, types, implementation} for each method.
zzcrash_error_t walkList(const OldWalk& walk, std::uint64_t list, bool isClassMethod,
                         zzcrash_async_macho_lazy_string* className) {
    std::uint32_t header[2];
    zzcrash_error_t error = copyWords(walk, list, header);
    for (std::uint32_t i = 0; error == ZZCRASH_ESUCCESS && i < header[1]; ++i) {
        std::uint32_t method[3];
        error = copyWords(walk, list + 8 + std::uint64_t{i} * methodSize, method);
        if (error != ZZCRASH_ESUCCESS) break;
        zzcrash_async_macho_lazy_string name;
        zzcrash_async_macho_lazy_string_init(&name, walk.image, method[0]);
        walk.callback(isClassMethod, className, &name, method[2], walk.context);
        zzcrash_async_macho_lazy_string_free(&name);
    }
    return error;
}

// Once the runtime has added a category's methods to a class, its method
// field points at an array of lists that ends at 0 or at all ones.
zzcrash_error_t walkLists(const OldWalk& walk, std::uint32_t field, bool single, bool isClassMethod,
                          zzcrash_async_macho_lazy_string* className) {
    if (field == 0) return ZZCRASH_ESUCCESS;  // no methods of this kind
    if (single) return walkList(walk, field, isClassMethod, className);
    for (std::uint64_t at = field;; at += 4) {
        std::uint32_t list[1];
        zzcrash_error_t error = copyWords(walk, at, list);
        if (error != ZZCRASH_ESUCCESS) return error;
        if (list[0] == 0 || list[0] == listArrayEnd) return ZZCRASH_ESUCCESS;
        error = walkList(walk, list[0], isClassMethod, className);
        if (error != ZZCRASH_ESUCCESS) return error;
    }
}

// A class record: isa, superclass, name, version, info, instance size,
// instance variables, method lists, cache, protocols.
zzcrash_error_t walkClass(const OldWalk& walk, std::uint64_t address, bool isClassMethod, std::uint32_t* isa) {
    std::uint32_t record[10];
    zzcrash_error_t error = copyWords(walk, address, record);
    if (error != ZZCRASH_ESUCCESS) return error;
    *isa = record[0];
    zzcrash_async_macho_lazy_string name;
    zzcrash_async_macho_lazy_string_init(&name, walk.image, record[2]);
    error = walkLists(walk, record[7], (record[4] & singleMethodListFlag) != 0, isClassMethod, &name);
    zzcrash_async_macho_lazy_string_free(&name);
    return error;
}

std::uint32_t metaclassOf(std::uint32_t isa) { return isa & 1 ? isa & ~std::uint32_t{7} : isa; }

// A module's symbol table: selector reference count, selector references,
// class and category counts (16 bits each), then the class pointers.
zzcrash_error_t walkSymbolTable(const OldWalk& walk, std::uint64_t symbolTable) {
    unsigned char header[12];
    zzcrash_error_t error = zzcrash_async_task_copy(walk.image->task, symbolTable, 0, header, sizeof header);
    if (error != ZZCRASH_ESUCCESS) return error;
    std::uint16_t classes = 0;
    zzcrash_async_memcpy(&classes, header + 8, sizeof classes);
    classes = walk.image->byteorder->swap16(classes);
    for (std::uint16_t i = 0; error == ZZCRASH_ESUCCESS && i < classes; ++i) {
        std::uint32_t pointer[1];
        std::uint32_t isa = 0;
        error = copyWords(walk, symbolTable + 12 + 4 * std::uint64_t{i}, pointer);
        if (error == ZZCRASH_ESUCCESS) error = walkClass(walk, pointer[0], false, &isa);
        if (error == ZZCRASH_ESUCCESS) error = walkClass(walk, metaclassOf(isa), true, &isa);
    }
    return error;
}

// Modules: version, size, name, symbol table (0 for a module without one).
zzcrash_error_t walkModules(const OldWalk& walk, const zzcrash_async_mobject* modules) {
    const std::uint64_t base = zzcrash_async_mobject_base_address(modules);
    const std::uint64_t count = zzcrash_async_mobject_length(modules) / moduleSize;
    for (std::uint64_t i = 0; i < count; ++i) {
        const void* module = zzcrash_async_mobject_local_pointer(modules, base + i * moduleSize, 0, moduleSize);
        const std::uint32_t symbolTable = zzcrash_async_macho_field32(walk.image, module, 12);
        if (symbolTable == 0) continue;
        const zzcrash_error_t error = walkSymbolTable(walk, symbolTable);
        if (error != ZZCRASH_ESUCCESS) return error;
    }
    return ZZCRASH_ESUCCESS;
}

}  // namespace

zzcrash_error_t zzcrash_async_classmeta_walk_old_format(const zzcrash_async_macho_image* image,
                                                        zzcrash_async_classmeta_method_cb callback, void* context,
                                                        bool* hasModules) {
    zzcrash_async_mobject modules;
    const zzcrash_error_t error = zzcrash_async_macho_map_section(image, "__OBJC", "__module_info", &modules);
    *hasModules = error != ZZCRASH_ENOTFOUND;
    if (error != ZZCRASH_ESUCCESS) return error;
    const zzcrash_error_t walked = walkModules(OldWalk{image, callback, context}, &modules);
    zzcrash_async_mobject_free(&modules);
    return walked;
}
