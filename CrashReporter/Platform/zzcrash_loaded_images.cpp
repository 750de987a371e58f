#include "CrashReporter/Platform/zzcrash_loaded_images.h"

#include <link.h>
#include <unistd.h>

#include <climits>

namespace {

struct Visit {
    zzcrash_loaded_image_visitor visit;
    void* context;
    char programPath[PATH_MAX];
};

// The segment that starts at file offset 0 holds the ELF header.
bool headerAddress(const dl_phdr_info* info, std::uint64_t* address) {
    for (ElfW(Half) i = 0; i < info->dlpi_phnum; ++i) {
        const ElfW(Phdr)& segment = info->dlpi_phdr[i];
        if (segment.p_type == PT_LOAD && segment.p_offset == 0) {
            *address = info->dlpi_addr + segment.p_vaddr;
            return true;
        }
    }
    return false;
}

int visitImage(dl_phdr_info* info, std::size_t, void* data) {
    auto* visit = static_cast<Visit*>(data);
    std::uint64_t address = 0;
    if (!headerAddress(info, &address)) return 0;
    const bool isProgram = !info->dlpi_name || info->dlpi_name[0] == '\0';
    visit->visit(address, isProgram ? visit->programPath : info->dlpi_name, visit->context);
    return 0;
}

}  // namespace

void zzcrash_loaded_images_each(zzcrash_loaded_image_visitor visit, void* context) {
    Visit state{visit, context, {}};
    const ssize_t length = readlink("/proc/self/exe", state.programPath, sizeof state.programPath - 1);
    state.programPath[length > 0 ? length : 0] = '\0';
    dl_iterate_phdr(visitImage, &state);
}
