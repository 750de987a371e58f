#include "CrossLibraryStack.h"

#include <zlib.h>

#include <QObject>
#include <cstdint>
#include <cstdlib>

namespace {

struct Descent {
    int depth;
    void (*bottom)(void*);
    void* argument;
    bool done;
};

}  // namespace

// Exported, so that naming from the symbol table finds the program's frames
// as it would an application's.
extern "C" __attribute__((noinline, visibility("default"))) std::uint64_t tessivar_bench_recurse(
    int level, const Descent* descent) {
    if (level == 0) {
        descent->bottom(descent->argument);
        return 1;
    }
    const std::uint64_t below = tessivar_bench_recurse(level - 1, descent);
    asm volatile("" ::: "memory");
    return below + static_cast<std::uint64_t>(level);
}

namespace {

// QtCore calls the slot from its signal delivery when the object goes.
void throughQt(Descent* descent) {
    auto* object = new QObject;
    QObject::connect(object, &QObject::destroyed, [descent] { tessivar_bench_recurse(descent->depth, descent); });
    delete object;
}

// zlib asks its allocator for the stream's state inside deflateInit2_.
voidpf allocateThroughZlib(voidpf opaque, uInt items, uInt size) {
    auto* descent = static_cast<Descent*>(opaque);
    if (!descent->done) {
        descent->done = true;
        throughQt(descent);
    }
    return std::calloc(items, size);
}
void freeForZlib(voidpf, voidpf address) { std::free(address); }

void throughZlib(Descent* descent) {
    z_stream stream{};
    stream.zalloc = allocateThroughZlib;
    stream.zfree = freeForZlib;
    stream.opaque = descent;
    if (deflateInit2(&stream, Z_DEFAULT_COMPRESSION, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) == Z_OK)
        deflateEnd(&stream);
}

// libc's qsort calls the comparator from inside its own sort.
thread_local Descent* sorting = nullptr;
int compareThroughQsort(const void* left, const void* right) {
    if (sorting) {
        Descent* descent = sorting;
        sorting = nullptr;
        throughZlib(descent);
    }
    return *static_cast<const int*>(left) - *static_cast<const int*>(right);
}

}  // namespace

namespace tessivar::bench {

void throughLibraries(int depth, void (*bottom)(void*), void* argument) {
    Descent descent{depth, bottom, argument, false};
    int values[] = {3, 1, 2};
    sorting = &descent;
    std::qsort(values, 3, sizeof values[0], compareThroughQsort);
}

}  // namespace tessivar::bench
