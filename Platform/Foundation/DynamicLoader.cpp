#include "Platform/Foundation/DynamicLoader.h"

#include <dlfcn.h>
#include <link.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <span>

namespace platform {
namespace {

// The loader leaves the main program's name empty.
std::string imagePath(const char* loaderName) {
    return loaderName && *loaderName ? std::string(loaderName) : DynamicLoader::mainProgramPath();
}

std::size_t aligned4(std::size_t size) { return (size + 3) & ~std::size_t{3}; }

// The GNU build id among the notes of a loaded note segment.
std::vector<std::uint8_t> buildIdIn(std::span<const std::uint8_t> notes) {
    while (notes.size() >= sizeof(ElfW(Nhdr))) {
        ElfW(Nhdr) header;
        std::memcpy(&header, notes.data(), sizeof header);
        const std::size_t nameAt = sizeof header;
        const std::size_t descriptionAt = nameAt + aligned4(header.n_namesz);
        const std::size_t end = descriptionAt + aligned4(header.n_descsz);
        if (end > notes.size() || descriptionAt + header.n_descsz > notes.size()) break;
        const auto name = notes.subspan(nameAt, header.n_namesz);
        if (header.n_type == NT_GNU_BUILD_ID && header.n_namesz == 4 && std::memcmp(name.data(), "GNU", 4) == 0) {
            const auto id = notes.subspan(descriptionAt, header.n_descsz);
            return {id.begin(), id.end()};
        }
        notes = notes.subspan(end);
    }
    return {};
}

// Nothing for an image without a segment that maps its header.
std::optional<DynamicLoader::Image> imageOf(const dl_phdr_info& info) {
    const std::span<const ElfW(Phdr)> headers(info.dlpi_phdr, info.dlpi_phnum);
    const auto first = std::find_if(headers.begin(), headers.end(),
                                    [](const ElfW(Phdr) & header) { return header.p_type == PT_LOAD; });
    if (first == headers.end() || first->p_offset > first->p_vaddr) return std::nullopt;
    DynamicLoader::Image image;
    image.path = imagePath(info.dlpi_name);
    image.linkAddress = first->p_vaddr - first->p_offset;
    image.address = info.dlpi_addr + image.linkAddress;
    std::uint64_t textEnd = image.linkAddress;
    for (const auto& header : headers) {
        if (header.p_type == PT_LOAD && (header.p_flags & PF_X)) {
            textEnd = std::max<std::uint64_t>(textEnd, header.p_vaddr + header.p_memsz);
        }
        if (header.p_type == PT_NOTE && image.buildId.empty()) {
            const auto* notes = reinterpret_cast<const std::uint8_t*>(info.dlpi_addr + header.p_vaddr);
            image.buildId = buildIdIn({notes, header.p_memsz});
        }
    }
    image.textSize = textEnd - image.linkAddress;
    return image;
}

}  // namespace

std::optional<DynamicLoader::AddressInfo> DynamicLoader::lookUp(std::uint64_t address) {
    Dl_info info{};
    link_map* map = nullptr;
    if (dladdr1(reinterpret_cast<void*>(address), &info, reinterpret_cast<void**>(&map), RTLD_DL_LINKMAP) == 0) {
        return std::nullopt;
    }
    AddressInfo found;
    if (map) found.imagePath = imagePath(map->l_name);
    if (info.dli_fbase) found.imageAddress = reinterpret_cast<std::uintptr_t>(info.dli_fbase);
    if (info.dli_sname) {
        found.symbolName = info.dli_sname;
        found.symbolAddress = reinterpret_cast<std::uintptr_t>(info.dli_saddr);
    }
    return found;
}

std::vector<DynamicLoader::Image> DynamicLoader::images() {
    std::vector<Image> images;
    dl_iterate_phdr(
        [](dl_phdr_info* info, std::size_t, void* context) {
            if (auto image = imageOf(*info)) static_cast<std::vector<Image>*>(context)->push_back(std::move(*image));
            return 0;
        },
        &images);
    return images;
}

std::string DynamicLoader::mainProgramPath() {
    std::error_code error;
    const auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::string() : path.string();
}

}  // namespace platform
