// .eh_frame_hdr as each linker at hand writes it (the pointer to .eh_frame
// pc-relative in 4 signed bytes, which gold makes negative by putting
// .eh_frame first; the count in 4 unsigned bytes; the entries as 4-byte
// offsets from the header), decoded from the loaded library, against
// llvm-readobj's reading of the same file.
#include <dlfcn.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"

namespace {

// What llvm-readobj --unwind prints of the header, in the file's addresses.
struct OracleHeader {
    std::uint64_t address = 0;
    std::uint64_t framePointer = 0;
    std::uint64_t count = 0;
    std::vector<std::pair<std::uint64_t, std::uint64_t>> entries;  // {initial_location, address}
};

// "  Address: 0x2000", "    eh_frame_ptr: 0x2030", "    fde_count: 4",
// "      initial_location: 0x1020", "      address: 0x2048"; the header ends
// where the dump of .eh_frame itself begins.
OracleHeader readobjHeader(const std::string& path) {
    const std::string command = std::string(TESSIVAR_LLVM_READOBJ) + " --unwind '" + path + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    OracleHeader header;
    char line[512];
    while (pipe && std::fgets(line, sizeof line, pipe.get())) {
        unsigned long long value = 0;
        unsigned long long location = 0;
        if (std::string(line).find(".eh_frame section at") != std::string::npos) break;
        if (std::sscanf(line, " Address: %llx", &value) == 1) header.address = value;
        if (std::sscanf(line, " eh_frame_ptr: %llx", &value) == 1) header.framePointer = value;
        if (std::sscanf(line, " fde_count: %llu", &value) == 1) header.count = value;
        if (std::sscanf(line, " initial_location: %llx", &location) == 1) header.entries.push_back({location, 0});
        if (std::sscanf(line, " address: %llx", &value) == 1 && !header.entries.empty())
            header.entries.back().second = value;
    }
    return header;
}

std::vector<std::string> framesLibraries() {
    std::vector<std::string> paths;
    std::istringstream list(TESSIVAR_FRAMES_LIBRARIES);
    for (std::string path; std::getline(list, path, ':');)
        if (!path.empty()) paths.push_back(path);
    return paths;
}

TEST(ElfFrameHeader, DecodesTheHeaderEachLinkerWritesAsLlvmReadobjReadsIt) {
    ASSERT_NE(std::string(TESSIVAR_LLVM_READOBJ), "") << "llvm-readobj is the oracle";
    const std::vector<std::string> libraries = framesLibraries();
    ASSERT_FALSE(libraries.empty()) << "no linker could link the library";
    for (const std::string& path : libraries) {
        SCOPED_TRACE(path);
        const OracleHeader expected = readobjHeader(path);
        ASSERT_GT(expected.count, 0u);
        ASSERT_EQ(expected.entries.size(), expected.count);
        std::unique_ptr<void, int (*)(void*)> library(dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL), dlclose);
        ASSERT_NE(library, nullptr) << dlerror();
        Dl_info info{};
        ASSERT_NE(dladdr(dlsym(library.get(), "tessivar_frames_first"), &info), 0);
        const auto base = reinterpret_cast<std::uint64_t>(info.dli_fbase);
        zzcrash_async_elf_image image;
        ASSERT_EQ(zzcrash_async_elf_image_read(&image, ZZCRASH_TASK_SELF, base), ZZCRASH_ESUCCESS);
        EXPECT_EQ(image.eh_frame_hdr_address, image.bias + expected.address);
        EXPECT_EQ(image.eh_frame_address, image.bias + expected.framePointer);
        EXPECT_EQ(image.fde_table_count, expected.count);
        for (const auto& [location, fde] : expected.entries) {
            std::uint64_t candidates[4] = {};
            std::uint32_t found = 0;
            EXPECT_EQ(zzcrash_async_elf_fde_candidates(&image, nullptr, image.bias + location, candidates, 4, &found),
                      ZZCRASH_ESUCCESS);
            EXPECT_EQ(found, 1u);
            EXPECT_EQ(candidates[0], image.bias + fde) << std::hex << "entry at 0x" << location;
        }
    }
}

}  // namespace
