// One storage key written and read back through the analytics store, beside a
// bare write and read of the same bytes in the same folder. A second reference
// does what the store's atomic write does by hand (temporary file, fsync,
// rename), so the store's own overhead shows apart from the cost of the disk sync.
#include <fcntl.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include <nlohmann/json.hpp>

#include "Platform/Foundation/Log.h"
#include "Platform/Foundation/UniqueFd.h"
#include "Platform/Testing/TemporaryDirectory.h"
#include "RatioReporter.h"
#include "ZeraZov/Core/Storage/ZeraZovStorage.h"

namespace {

using zerazov::ZeraZovStorage;

const std::string requestId = "0190A0B0-1C2D-7E3F-8A4B-5C6D7E8F9A0B";
const std::string storedBytes = R"({"zerazov.requestId":")" + requestId + R"("})";

std::string readWhole(const std::string& file) {
    std::ifstream in(file, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

void BareFileWriteRead(benchmark::State& state) {
    platform::TemporaryDirectory folder;
    const std::string file = (folder.path() / "zerazov.requestId").string();
    for (auto _ : state) {
        std::ofstream(file, std::ios::binary | std::ios::trunc) << storedBytes;
        benchmark::DoNotOptimize(readWhole(file));
    }
}

void BareSyncedRenameWriteRead(benchmark::State& state) {
    platform::TemporaryDirectory folder;
    const std::string file = (folder.path() / "zerazov.requestId").string();
    const std::string temporary = file + ".tmp";
    for (auto _ : state) {
        platform::UniqueFd fd(::open(temporary.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600));
        if (!fd.valid() || ::write(fd.get(), storedBytes.data(), storedBytes.size()) < 0 || ::fsync(fd.get()) != 0) {
            state.SkipWithError("write failed");
        }
        fd.reset();
        ::rename(temporary.c_str(), file.c_str());
        benchmark::DoNotOptimize(readWhole(file));
    }
}

void StorageKeyWriteRead(benchmark::State& state) {
    platform::TemporaryDirectory folder;
    ZeraZovStorage storage(folder.path(), "zzk_bench");
    for (auto _ : state) {
        storage.setJSON(ZeraZovStorage::StorageKey::requestId, requestId);
        benchmark::DoNotOptimize(storage.getString(ZeraZovStorage::StorageKey::requestId));
    }
}

BENCHMARK(BareFileWriteRead);
BENCHMARK(BareSyncedRenameWriteRead);
BENCHMARK(StorageKeyWriteRead);

}  // namespace

int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    tessivar::bench::RatioReporter reporter(
        {{"StorageKeyWriteRead", "BareFileWriteRead"}, {"StorageKeyWriteRead", "BareSyncedRenameWriteRead"}});
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
