#include <dlfcn.h>
#include <elf.h>
#include <signal.h>
#include <sys/auxv.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"
#include "CrashReporter/Images/zzcrash_elf_image_list.h"
#include "tests/CrashReporter/Elf/ElfSymbolLookUp.h"
#include "tests/CrashReporter/Support/ForkedChild.h"
#include "tests/CrashReporter/Support/FoundSymbol.h"
#include "tests/CrashReporter/Support/HexText.h"

// Exported from the test program (it links with -rdynamic), as an
// application's functions are when its crashes are to name them.
extern "C" __attribute__((noinline)) int tessivar_elf_test_first(int x) { return x * 3 + 1; }
extern "C" __attribute__((noinline)) int tessivar_elf_test_second(int x) { return tessivar_elf_test_first(x) ^ 5; }
extern "C" __attribute__((noinline)) void tessivar_elf_test_crash(volatile int* where) { *where = 1; }

namespace {

// The ELF images of this process, as the reporter keeps them.
class LoadedImages : public ::testing::Test {
protected:
    LoadedImages() {
        zzcrash_async_image_list_init(&list_, ZZCRASH_TASK_SELF, &zzcrash_async_elf_image_format);
        zzcrash_elf_image_list_refresh(&list_);
    }
    ~LoadedImages() override { zzcrash_async_image_list_free(&list_); }

    const zzcrash_async_elf_image* imageAt(std::uint64_t address) {
        return reinterpret_cast<const zzcrash_async_elf_image*>(
            zzcrash_async_image_containing_address(&list_, address));
    }

    zzcrash_async_image_list list_{};
};

using Found = tessivar::testing::FoundSymbol;
using tessivar::testing::lookUpElfSymbol;

std::string programPath() {
    char path[PATH_MAX] = {};
    const ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
    return std::string(path, length > 0 ? static_cast<std::size_t>(length) : 0);
}

std::uint64_t addressOf(const char* symbol, std::uint64_t into) {
    return reinterpret_cast<std::uint64_t>(dlsym(RTLD_DEFAULT, symbol)) + into;
}

// The dynamic loader's own answer (dladdr) is the oracle: the same image,
// function and start for each address.
TEST_F(LoadedImages, NameAddressesAsTheDynamicLoaderDoes) {
    const std::uint64_t addresses[] = {
        reinterpret_cast<std::uint64_t>(&tessivar_elf_test_first),
        reinterpret_cast<std::uint64_t>(&tessivar_elf_test_first) + 1,
        reinterpret_cast<std::uint64_t>(&tessivar_elf_test_second) + 3,
        addressOf("abort", 0),
        addressOf("abort", 3),
        addressOf("qsort", 2),
        addressOf("_ZSt9terminatev", 1),
    };
    for (const std::uint64_t address : addresses) {
        Dl_info info{};
        ASSERT_NE(dladdr(reinterpret_cast<void*>(address), &info), 0);
        ASSERT_NE(info.dli_sname, nullptr);
        SCOPED_TRACE(info.dli_sname);
        const zzcrash_async_elf_image* image = imageAt(address);
        ASSERT_NE(image, nullptr);
        EXPECT_EQ(image->image.header_address, reinterpret_cast<std::uint64_t>(info.dli_fbase));
        const bool isProgram = image->name == programPath();
        EXPECT_TRUE(isProgram || std::string(image->name) == info.dli_fname) << image->name;
        const Found found = lookUpElfSymbol(image, address);
        EXPECT_EQ(found.error, ZZCRASH_ESUCCESS);
        EXPECT_EQ(found.name, info.dli_sname);
        EXPECT_EQ(found.start, reinterpret_cast<std::uint64_t>(info.dli_saddr));
    }
    EXPECT_EQ(imageAt(0x1000), nullptr);
}

std::string readelf(const std::string& path) {
    const std::string command = "readelf -n -S -W '" + path + "' 2>/dev/null";
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    std::string text;
    char buffer[4096];
    while (pipe && std::fgets(buffer, sizeof buffer, pipe.get())) text += buffer;
    return text;
}

// The vDSO exists only in memory; written out up to its section headers it
// is a file readelf reads.
std::string vdsoFile(std::uint64_t header) {
    const auto* elf = reinterpret_cast<const Elf64_Ehdr*>(header);
    const std::size_t size = elf->e_shoff + std::size_t{elf->e_shnum} * elf->e_shentsize;
    const std::string path = ::testing::TempDir() + "vdso-" + std::to_string(getpid()) + ".so";
    std::unique_ptr<FILE, int (*)(FILE*)> file(std::fopen(path.c_str(), "wb"), std::fclose);
    std::fwrite(reinterpret_cast<const void*>(header), 1, size, file.get());
    return path;
}

const zzcrash_async_elf_image* vdsoImage(zzcrash_async_image_list* list) {
    return reinterpret_cast<const zzcrash_async_elf_image*>(
        zzcrash_async_image_containing_address(list, getauxval(AT_SYSINFO_EHDR)));
}

// The build id, the .eh_frame section and the number of dynamic symbols as
// binutils' readelf reads them from the files: the record took them from the
// loaded image's own headers and hash table. The
// vDSO's table has no terminator: its code follows it directly.
TEST_F(LoadedImages, KeepTheBuildIdAndUnwindTableReadelfFindsInTheFile) {
    const zzcrash_async_elf_image* vdso = vdsoImage(&list_);
    ASSERT_NE(vdso, nullptr);
    EXPECT_GT(vdso->dynsym_count, 0u);
    const struct {
        const zzcrash_async_elf_image* image;
        std::string file;
    } cases[] = {
        {imageAt(reinterpret_cast<std::uint64_t>(&tessivar_elf_test_first)), programPath()},
        {imageAt(addressOf("abort", 0)), imageAt(addressOf("abort", 0))->name},
        {vdso, vdsoFile(vdso->image.header_address)},
    };
    for (const auto& c : cases) {
        ASSERT_NE(c.image, nullptr);
        SCOPED_TRACE(c.file);
        const std::string text = readelf(c.file);
        const std::size_t buildId = text.find("Build ID: ");
        ASSERT_NE(buildId, std::string::npos) << text;
        ASSERT_TRUE(c.image->has_uuid);
        EXPECT_EQ(tessivar::testing::hexText(c.image->uuid, 16), text.substr(buildId + 10, 32));
        std::istringstream lines(text);
        std::string line;
        bool seen = false;
        bool symbolsSeen = false;
        while (std::getline(lines, line)) {
            const std::size_t name = line.find(" .eh_frame ");
            const std::size_t symbols = line.find(" .dynsym ");
            if (name == std::string::npos && symbols == std::string::npos) continue;
            std::istringstream fields(line.substr(name != std::string::npos ? name : symbols));
            std::string section, type, addr, offset, size;
            fields >> section >> type >> addr >> offset >> size;
            if (symbols != std::string::npos) {
                // The count the record took from the image's hash table.
                EXPECT_EQ(c.image->dynsym_count, std::stoull(size, nullptr, 16) / sizeof(Elf64_Sym));
                symbolsSeen = true;
                continue;
            }
            EXPECT_EQ(c.image->eh_frame_address, c.image->bias + std::stoull(addr, nullptr, 16));
            EXPECT_EQ(c.image->eh_frame_size, std::stoull(size, nullptr, 16));
            seen = true;
        }
        EXPECT_TRUE(seen) << text;
        EXPECT_TRUE(symbolsSeen) << text;
        zzcrash_async_mobject frames;
        ASSERT_EQ(zzcrash_async_elf_map_eh_frame(c.image, &frames), ZZCRASH_ESUCCESS);
        EXPECT_EQ(zzcrash_async_mobject_length(&frames), c.image->eh_frame_size);
        zzcrash_async_mobject_free(&frames);
    }
}

TEST_F(LoadedImages, FollowDlopenAndDlclose) {
    void* library = dlopen("libz.so.1", RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << dlerror();
    const auto version = reinterpret_cast<std::uint64_t>(dlsym(library, "zlibVersion"));
    EXPECT_EQ(imageAt(version), nullptr);
    zzcrash_elf_image_list_refresh(&list_);
    const Found found = lookUpElfSymbol(imageAt(version), version);
    EXPECT_EQ(found.error, ZZCRASH_ESUCCESS);
    EXPECT_EQ(found.name, "zlibVersion");
    zzcrash_elf_image_list_refresh(&list_);  // nothing changed: nothing added twice
    std::size_t count = 0;
    for (auto* image = zzcrash_async_image_list_next(&list_, nullptr); image;
         image = zzcrash_async_image_list_next(&list_, image))
        count += image->header_address == imageAt(version)->image.header_address;
    EXPECT_EQ(count, 1u);

    dlclose(library);
    Dl_info info{};
    if (dladdr(reinterpret_cast<void*>(version), &info) != 0) GTEST_SKIP() << "libz stayed loaded";
    zzcrash_elf_image_list_refresh(&list_);
    EXPECT_EQ(imageAt(version), nullptr);
}

// A real crash: the handler names the faulting function with the records
// made before it, writing its start and name for the parent to check.
zzcrash_async_image_list* crashImages = nullptr;
int crashOutput = -1;

void nameFaultingFunction(int, siginfo_t*, void* context) {
    const auto pc = static_cast<std::uint64_t>(static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
    zzcrash_async_image_list_mark_reading(crashImages, true);
    const auto* image =
        reinterpret_cast<const zzcrash_async_elf_image*>(zzcrash_async_image_containing_address(crashImages, pc));
    struct Written {
        std::uint64_t start;
        char name[64];
    } written{};
    if (image)
        zzcrash_async_elf_symbol_at_pc(
            image, pc,
            [](std::uint64_t start, const char* name, void* out) {
                auto* w = static_cast<Written*>(out);
                w->start = start;
                std::strncpy(w->name, name, sizeof w->name - 1);
            },
            &written);
    zzcrash_async_image_list_mark_reading(crashImages, false);
    const ssize_t ignored = write(crashOutput, &written, sizeof written);
    static_cast<void>(ignored);
    _exit(0);
}

TEST_F(LoadedImages, NameTheFunctionOfARealCrash) {
    const auto result = tessivar::testing::runForked(
        [this](int output) {
            crashImages = &list_;
            crashOutput = output;
            struct sigaction action {};
            action.sa_sigaction = nameFaultingFunction;
            action.sa_flags = SA_SIGINFO;
            sigemptyset(&action.sa_mask);
            sigaction(SIGSEGV, &action, nullptr);
            tessivar_elf_test_crash(nullptr);
            return 1;
        },
        std::chrono::seconds(20));
    ASSERT_TRUE(result.exitedWith(0)) << "wait status " << result.status;
    struct {
        std::uint64_t start;
        char name[64];
    } written{};
    ASSERT_EQ(result.output.size(), sizeof written);
    std::memcpy(&written, result.output.data(), sizeof written);
    EXPECT_STREQ(written.name, "tessivar_elf_test_crash");
    EXPECT_EQ(written.start, reinterpret_cast<std::uint64_t>(&tessivar_elf_test_crash));
}

}  // namespace
