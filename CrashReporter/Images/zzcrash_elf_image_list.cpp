#include "CrashReporter/Images/zzcrash_elf_image_list.h"

#include <mutex>
#include <string>
#include <vector>

#include "CrashReporter/Platform/zzcrash_loaded_images.h"

namespace {

struct Loaded {
    std::uint64_t header;
    std::string name;
};

void remember(std::uint64_t header, const char* name, void* context) {
    static_cast<std::vector<Loaded>*>(context)->push_back({header, name});
}

bool listed(const std::vector<Loaded>& images, std::uint64_t header, const char* name) {
    for (const Loaded& image : images) {
        if (image.header == header && image.name == name) return true;
    }
    return false;
}

std::vector<Loaded> listedImages(zzcrash_async_image_list* list) {
    std::vector<Loaded> images;
    zzcrash_async_image_list_mark_reading(list, true);
    for (auto* image = zzcrash_async_image_list_next(list, nullptr); image;
         image = zzcrash_async_image_list_next(list, image))
        images.push_back({image->header_address, reinterpret_cast<zzcrash_async_elf_image*>(image)->name});
    zzcrash_async_image_list_mark_reading(list, false);
    return images;
}

// Two refreshes at once would both append what is new.
std::mutex refreshing;

}  // namespace

void zzcrash_elf_image_list_refresh(zzcrash_async_image_list* list) {
    const std::lock_guard guard(refreshing);
    std::vector<Loaded> loaded;
    zzcrash_loaded_images_each(remember, &loaded);
    const std::vector<Loaded> before = listedImages(list);
    for (const Loaded& image : before) {
        if (!listed(loaded, image.header, image.name.c_str())) zzcrash_async_image_list_remove(list, image.header);
    }
    for (const Loaded& image : loaded) {
        if (!listed(before, image.header, image.name.c_str()))
            zzcrash_async_image_list_append(list, image.header, image.name.c_str());
    }
}
