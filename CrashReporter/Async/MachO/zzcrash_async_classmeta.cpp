#include "CrashReporter/Async/MachO/zzcrash_async_classmeta.h"

#include "CrashReporter/Async/MachO/Private/zzcrash_async_classmeta_old_format.h"
#include "CrashReporter/Async/zzcrash_async_string.h"

namespace {

constexpr std::uint64_t dataMask64 = 0x7ffffffffff8;
constexpr std::uint64_t dataMask32 = ~std::uint64_t{3};
constexpr std::uint32_t realizedFlag = 1u << 31;
constexpr std::uint32_t copiedReadOnlyFlag = 1u << 27;
constexpr std::uint32_t relativeListFlag = 1u << 31;

struct Walk {
    const zzcrash_async_macho_image* image;
    zzcrash_async_classmeta_cache* cache;
    zzcrash_async_classmeta_method_cb callback;
    void* context;
    std::uint64_t width;  // bytes of a pointer

    const zzcrash_async_classmeta_section& section(int index) const { return cache->sections[index]; }
    std::uint64_t classSize() const { return 5 * width; }
    std::uint64_t readOnlySize() const { return width == 8 ? 72 : 40; }
};

bool stopsWalk(zzcrash_error_t error) { return error != ZZCRASH_ESUCCESS && error != ZZCRASH_ENOTFOUND; }

// The mapped section of `candidates` that holds [address, + length); null when none.
template <std::size_t N>
const zzcrash_async_mobject* holding(const Walk& walk, const int (&candidates)[N], std::uint64_t address,
                                     std::uint64_t length) {
    for (int index : candidates) {
        const zzcrash_async_classmeta_section& section = walk.section(index);
        if (section.mapped && zzcrash_async_mobject_local_pointer(&section.mobj, address, 0, length))
            return &section.mobj;
    }
    return nullptr;
}

std::uint64_t wordOf(const Walk& walk, const unsigned char* bytes) {
    if (walk.width == 8) {
        std::uint64_t value = 0;
        zzcrash_async_memcpy(&value, bytes, 8);
        return walk.image->byteorder->swap64(value);
    }
    std::uint32_t value = 0;
    zzcrash_async_memcpy(&value, bytes, 4);
    return walk.image->byteorder->swap32(value);
}

std::uint32_t word32Of(const Walk& walk, const unsigned char* bytes) {
    std::uint32_t value = 0;
    zzcrash_async_memcpy(&value, bytes, 4);
    return walk.image->byteorder->swap32(value);
}

// `length` bytes at `address` from a mapped section, or else from the task.
zzcrash_error_t copyBytes(const Walk& walk, const zzcrash_async_mobject* section, std::uint64_t address,
                          unsigned char* out, std::uint64_t length) {
    if (section) {
        const void* at = zzcrash_async_mobject_local_pointer(section, address, 0, length);
        if (!at) return ZZCRASH_EINVALID_DATA;
        zzcrash_async_memcpy(out, at, length);
        return ZZCRASH_ESUCCESS;
    }
    if (zzcrash_async_task_copy(walk.image->task, address, 0, out, length) != ZZCRASH_ESUCCESS)
        return ZZCRASH_EINVALID_DATA;
    return ZZCRASH_ESUCCESS;
}

zzcrash_error_t readWord(const Walk& walk, const zzcrash_async_mobject* section, std::uint64_t address,
                         std::uint64_t* out) {
    unsigned char bytes[8];
    const zzcrash_error_t error = copyBytes(walk, section, address, bytes, walk.width);
    if (error == ZZCRASH_ESUCCESS) *out = wordOf(walk, bytes);
    return error;
}

// Where a class's read-only data is: its runtime data, once realised, points
// there (possibly through one more word); before that the data is itself the
// read-only data.
zzcrash_error_t findReadOnly(const Walk& walk, std::uint64_t data, std::uint64_t* readOnly, bool* copied) {
    *copied = false;
    if (zzcrash_async_classmeta_cache_lookup(walk.cache, data, readOnly)) return ZZCRASH_ESUCCESS;
    unsigned char runtimeData[16];
    zzcrash_error_t error = copyBytes(walk, nullptr, data, runtimeData, sizeof runtimeData);
    if (error != ZZCRASH_ESUCCESS) return error;
    const std::uint32_t flags = word32Of(walk, runtimeData);
    *copied = (flags & copiedReadOnlyFlag) != 0;
    *readOnly = flags & realizedFlag ? wordOf(walk, runtimeData + 8) : data;
    if (*readOnly & 1) error = readWord(walk, nullptr, *readOnly & ~std::uint64_t{1}, readOnly);
    if (error == ZZCRASH_ESUCCESS) zzcrash_async_classmeta_cache_store(walk.cache, data, *readOnly);
    return error;
}

struct ClassNames {
    std::uint64_t name;
    std::uint64_t methods;
};

// The name and base method list of the class whose data field is `dataField`.
zzcrash_error_t readClassNames(const Walk& walk, std::uint64_t dataField, ClassNames* names) {
    const std::uint64_t data = dataField & (walk.width == 8 ? dataMask64 : dataMask32);
    std::uint64_t readOnly = 0;
    bool copied = false;
    zzcrash_error_t error = findReadOnly(walk, data, &readOnly, &copied);
    if (error != ZZCRASH_ESUCCESS) return error;
    const int constant[] = {ZZCRASH_OBJC_CONST};
    const zzcrash_async_mobject* section = copied ? nullptr : holding(walk, constant, readOnly, walk.readOnlySize());
    unsigned char record[72];
    error = copyBytes(walk, section, readOnly, record, walk.readOnlySize());
    if (error != ZZCRASH_ESUCCESS) return error;
    names->name = wordOf(walk, record + (walk.width == 8 ? 24 : 16));
    names->methods = wordOf(walk, record + (walk.width == 8 ? 32 : 20));
    return ZZCRASH_ESUCCESS;
}

struct MethodList {
    const zzcrash_async_mobject* section;
    std::uint64_t address;
    std::uint32_t entrySize;
    std::uint32_t count;
    bool relative;
};

// The fields of an entry must fit its size: a smaller size (0 in corrupt
// data) would walk the same bytes billions of times.
std::uint32_t smallestEntry(const Walk& walk, bool relative) { return walk.width == 4 || relative ? 12 : 24; }

zzcrash_error_t openMethodList(const Walk& walk, std::uint64_t address, MethodList* list) {
    const int candidates[] = {ZZCRASH_OBJC_CONST, ZZCRASH_OBJC_CONST_AX, ZZCRASH_OBJC_METHLIST};
    list->section = holding(walk, candidates, address, 8);
    if (!list->section) return ZZCRASH_EINVALID_DATA;
    const auto* header =
        static_cast<const unsigned char*>(zzcrash_async_mobject_local_pointer(list->section, address, 0, 8));
    const std::uint32_t flags = word32Of(walk, header);
    list->address = address;
    list->count = word32Of(walk, header + 4);
    list->entrySize = flags & 0xFFFC;
    list->relative = walk.width == 8 && (flags & relativeListFlag) != 0;
    if (list->entrySize < smallestEntry(walk, list->relative)) return ZZCRASH_EINVALID_DATA;
    const std::uint64_t bytes = std::uint64_t{list->count} * list->entrySize;
    return zzcrash_async_mobject_local_pointer(list->section, address, 8, bytes) ? ZZCRASH_ESUCCESS
                                                                                 : ZZCRASH_EINVALID_DATA;
}

std::int64_t signed32(std::uint32_t value) { return static_cast<std::int32_t>(value); }

// A relative entry names its selector reference; the selector is what that holds.
std::uint64_t selectorOf(const Walk& walk, std::uint64_t reference) {
    const int selrefs[] = {ZZCRASH_OBJC_SELREFS};
    const zzcrash_async_mobject* section = holding(walk, selrefs, reference, 8);
    std::uint64_t selector = reference;
    if (section) readWord(walk, section, reference, &selector);
    return selector;
}

void reportEntry(const Walk& walk, const MethodList& list, std::uint32_t index, bool isClassMethod,
                 zzcrash_async_macho_lazy_string* className) {
    const std::uint64_t entry = list.address + 8 + std::uint64_t{index} * list.entrySize;
    const auto* bytes =
        static_cast<const unsigned char*>(zzcrash_async_mobject_local_pointer(list.section, entry, 0, list.entrySize));
    std::uint64_t name = 0;
    std::uint64_t implementation = 0;
    if (list.relative) {
        name = selectorOf(walk, entry + signed32(word32Of(walk, bytes)));
        implementation = entry + 8 + signed32(word32Of(walk, bytes + 8));
    } else {
        name = wordOf(walk, bytes);
        implementation = wordOf(walk, bytes + 2 * walk.width);
    }
    zzcrash_async_macho_lazy_string methodName;
    zzcrash_async_macho_lazy_string_init(&methodName, walk.image, name);
    walk.callback(isClassMethod, className, &methodName, implementation, walk.context);
    zzcrash_async_macho_lazy_string_free(&methodName);
}

zzcrash_error_t zzcrash_async_classmeta_walk_method_list(const Walk& walk, std::uint64_t address, bool isClassMethod,
                                                         std::uint64_t className) {
    if (address == 0) return ZZCRASH_ESUCCESS;  // a class without methods of this kind
    MethodList list{};
    const zzcrash_error_t error = openMethodList(walk, address, &list);
    if (error != ZZCRASH_ESUCCESS) return error;
    zzcrash_async_macho_lazy_string name;
    zzcrash_async_macho_lazy_string_init(&name, walk.image, className);
    for (std::uint32_t i = 0; i < list.count; ++i) reportEntry(walk, list, i, isClassMethod, &name);
    zzcrash_async_macho_lazy_string_free(&name);
    return ZZCRASH_ESUCCESS;
}

// The methods of the class record at `address`, which lies in the class data.
zzcrash_error_t walkClassRecord(const Walk& walk, std::uint64_t address, bool isClassMethod, std::uint64_t* isa) {
    const int classData[] = {ZZCRASH_OBJC_DATA, ZZCRASH_DATA};
    const zzcrash_async_mobject* section = holding(walk, classData, address, walk.classSize());
    if (!section) return ZZCRASH_EINVALID_DATA;
    std::uint64_t dataField = 0;
    readWord(walk, section, address, isa);
    readWord(walk, section, address + 4 * walk.width, &dataField);
    ClassNames names{};
    const zzcrash_error_t error = readClassNames(walk, dataField, &names);
    if (error != ZZCRASH_ESUCCESS) return error;
    return zzcrash_async_classmeta_walk_method_list(walk, names.methods, isClassMethod, names.name);
}

std::uint64_t metaclassAddress(const Walk& walk, std::uint64_t isa) {
    if (!(isa & 1)) return isa;
    return isa & (walk.width == 8 ? dataMask64 : ~std::uint64_t{7});
}

zzcrash_error_t walkClasses(const Walk& walk) {
    const zzcrash_async_mobject* list = &walk.section(ZZCRASH_OBJC_CLASSLIST).mobj;
    const std::uint64_t count = zzcrash_async_mobject_length(list) / walk.width;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t address = 0;
        std::uint64_t isa = 0;
        readWord(walk, list, zzcrash_async_mobject_base_address(list) + i * walk.width, &address);
        zzcrash_error_t error = walkClassRecord(walk, address, false, &isa);
        if (stopsWalk(error)) return error;
        error = walkClassRecord(walk, metaclassAddress(walk, isa), true, &isa);
        if (stopsWalk(error)) return error;
    }
    return ZZCRASH_ESUCCESS;
}

// A category's class may be in this image's class data or anywhere in the task.
zzcrash_error_t categoryClassNames(const Walk& walk, std::uint64_t classAddress, ClassNames* names) {
    const int classData[] = {ZZCRASH_OBJC_DATA};
    unsigned char record[40];
    const zzcrash_error_t error = copyBytes(walk, holding(walk, classData, classAddress, walk.classSize()),
                                            classAddress, record, walk.classSize());
    if (error != ZZCRASH_ESUCCESS) return error;
    return readClassNames(walk, wordOf(walk, record + 4 * walk.width), names);
}

// A category record: name, class, instance methods, class methods, ...
zzcrash_error_t walkCategory(const Walk& walk, std::uint64_t address) {
    const int constant[] = {ZZCRASH_OBJC_CONST};
    const zzcrash_async_mobject* section = holding(walk, constant, address, 6 * walk.width);
    if (!section) return ZZCRASH_EINVALID_DATA;
    const auto* record =
        static_cast<const unsigned char*>(zzcrash_async_mobject_local_pointer(section, address, 0, 6 * walk.width));
    ClassNames names{};
    zzcrash_error_t error = categoryClassNames(walk, wordOf(walk, record + walk.width), &names);
    if (error != ZZCRASH_ESUCCESS) return error;
    error = zzcrash_async_classmeta_walk_method_list(walk, wordOf(walk, record + 2 * walk.width), false, names.name);
    if (stopsWalk(error)) return error;
    return zzcrash_async_classmeta_walk_method_list(walk, wordOf(walk, record + 3 * walk.width), true, names.name);
}

zzcrash_error_t walkCategories(const Walk& walk) {
    const zzcrash_async_classmeta_section& list = walk.section(ZZCRASH_OBJC_CATLIST);
    if (!list.mapped) return ZZCRASH_ESUCCESS;
    const std::uint64_t count = zzcrash_async_mobject_length(&list.mobj) / walk.width;
    for (std::uint64_t i = 0; i < count; ++i) {
        std::uint64_t address = 0;
        readWord(walk, &list.mobj, zzcrash_async_mobject_base_address(&list.mobj) + i * walk.width, &address);
        const zzcrash_error_t error = walkCategory(walk, address);
        if (stopsWalk(error)) return error;
    }
    return ZZCRASH_ESUCCESS;
}

struct Highest {
    std::uint64_t pc;
    std::uint64_t best;
    bool reported;
    zzcrash_async_classmeta_method_cb callback;
    void* context;
};

void keepHighest(bool, zzcrash_async_macho_lazy_string*, zzcrash_async_macho_lazy_string*, std::uint64_t implementation,
                 void* context) {
    auto* highest = static_cast<Highest*>(context);
    if (implementation <= highest->pc && implementation > highest->best) highest->best = implementation;
}

void reportHighest(bool isClassMethod, zzcrash_async_macho_lazy_string* className,
                   zzcrash_async_macho_lazy_string* methodName, std::uint64_t implementation, void* context) {
    auto* highest = static_cast<Highest*>(context);
    if (highest->reported || implementation != highest->best) return;
    highest->reported = true;
    highest->callback(isClassMethod, className, methodName, implementation, highest->context);
}

}  // namespace

zzcrash_error_t zzcrash_async_classmeta_walk_image(const zzcrash_async_macho_image* image,
                                                   zzcrash_async_classmeta_cache* cache,
                                                   zzcrash_async_classmeta_method_cb callback, void* context) {
    if (!cache) return ZZCRASH_EACCESS;
    if (!cache->skip_old_format) {
        bool hasModules = false;
        const zzcrash_error_t old = zzcrash_async_classmeta_walk_old_format(image, callback, context, &hasModules);
        if (hasModules) return old;
    }
    const zzcrash_error_t error = zzcrash_async_classmeta_map_sections(cache, image);
    if (error != ZZCRASH_ESUCCESS) return error;
    const Walk walk{image, cache, callback, context, image->m64 ? 8u : 4u};
    zzcrash_error_t walked = walkClasses(walk);
    if (!stopsWalk(walked)) walked = walkCategories(walk);
    // A process whose images use the new format has no image in the old one.
    if (!stopsWalk(walked)) cache->skip_old_format = true;
    return walked;
}

// Methods found before a walk stops on broken metadata still count.
zzcrash_error_t zzcrash_async_classmeta_find_method(const zzcrash_async_macho_image* image,
                                                    zzcrash_async_classmeta_cache* cache, std::uint64_t pc,
                                                    zzcrash_async_classmeta_method_cb callback, void* context) {
    Highest highest{pc, 0, false, callback, context};
    const zzcrash_error_t error = zzcrash_async_classmeta_walk_image(image, cache, keepHighest, &highest);
    if (highest.best == 0) return error == ZZCRASH_ESUCCESS ? ZZCRASH_ENOTFOUND : error;
    zzcrash_async_classmeta_walk_image(image, cache, reportHighest, &highest);
    return highest.reported ? ZZCRASH_ESUCCESS : ZZCRASH_ENOTFOUND;
}
