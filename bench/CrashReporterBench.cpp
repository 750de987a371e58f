// The crash path's two hot loops: the checked copy every read of untrusted
// memory goes through, beside a plain memcpy of the same bytes (what a read
// would cost if the memory could be trusted), and a lookup that walks the
// whole image list, beside the same search over a plain vector.
#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

#include "CrashReporter/Async/zzcrash_async_image_list.h"
#include "CrashReporter/Async/zzcrash_async_task.h"
#include "RatioReporter.h"

namespace {

constexpr std::uint64_t imageSpan = 4096;
constexpr int imageCount = 500;

void CheckedCopy(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    std::vector<unsigned char> source(size, 7), destination(size);
    const auto address = reinterpret_cast<std::uint64_t>(source.data());
    for (auto _ : state) {
        benchmark::DoNotOptimize(zzcrash_async_task_copy(ZZCRASH_TASK_SELF, address, 0, destination.data(), size));
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

void Memcpy(benchmark::State& state) {
    const auto size = static_cast<std::size_t>(state.range(0));
    std::vector<unsigned char> source(size, 7), destination(size);
    for (auto _ : state) {
        std::memcpy(destination.data(), source.data(), size);
        benchmark::ClobberMemory();
    }
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

// Images whose records are the 4 KiB they name, at made-up addresses.
zzcrash_error_t initSpanImage(zzcrash_async_image* image, zzcrash_task_t, const char*, std::uint64_t header) {
    image->header_address = header;
    image->text_size = imageSpan;
    return ZZCRASH_ESUCCESS;
}
void freeSpanImage(zzcrash_async_image*) {}
const zzcrash_async_image_format spanFormat{sizeof(zzcrash_async_image), initSpanImage, freeSpanImage};

std::uint64_t headerOf(int i) { return 0x100000000 + static_cast<std::uint64_t>(i) * imageSpan; }

void ImageListWalk(benchmark::State& state) {
    zzcrash_async_image_list list;
    zzcrash_async_image_list_init(&list, ZZCRASH_TASK_SELF, &spanFormat);
    for (int i = 0; i < imageCount; ++i) zzcrash_async_image_list_append(&list, headerOf(i), "image");
    const std::uint64_t last = headerOf(imageCount - 1) + 1;
    for (auto _ : state) {
        zzcrash_async_image_list_mark_reading(&list, true);
        benchmark::DoNotOptimize(zzcrash_async_image_containing_address(&list, last));
        zzcrash_async_image_list_mark_reading(&list, false);
    }
    zzcrash_async_image_list_free(&list);
}

void VectorWalk(benchmark::State& state) {
    struct Range {
        std::uint64_t start, size;
    };
    std::vector<Range> ranges;
    for (int i = 0; i < imageCount; ++i) ranges.push_back({headerOf(i), imageSpan});
    const std::uint64_t last = headerOf(imageCount - 1) + 1;
    for (auto _ : state) {
        benchmark::DoNotOptimize(std::find_if(ranges.begin(), ranges.end(), [last](const Range& range) {
            return last >= range.start && last - range.start < range.size;
        }));
    }
}

BENCHMARK(CheckedCopy)->Arg(4096)->Arg(65536)->Arg(1 << 20);
BENCHMARK(Memcpy)->Arg(4096)->Arg(65536)->Arg(1 << 20);
BENCHMARK(ImageListWalk);
BENCHMARK(VectorWalk);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    tessivar::bench::RatioReporter reporter({{"CheckedCopy/4096", "Memcpy/4096"},
                                             {"CheckedCopy/65536", "Memcpy/65536"},
                                             {"CheckedCopy/1048576", "Memcpy/1048576"},
                                             {"ImageListWalk", "VectorWalk"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
