#include "CrashReporter/Images/Private/zzcrash_shared_image_list.h"

#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"
#include "CrashReporter/Images/Private/zzcrash_loader_chain.h"
#include "CrashReporter/Images/zzcrash_elf_image_list.h"

namespace {

// Kept for the life of the process: a crash handler may read it at any time.
zzcrash_async_image_list* makeList() {
    auto* list = new zzcrash_async_image_list{};
    zzcrash_async_image_list_init(list, ZZCRASH_TASK_SELF, &zzcrash_async_elf_image_format);
    return list;
}

}  // namespace

zzcrash_async_image_list* zzcrash_shared_image_list() {
    static zzcrash_async_image_list* const images = makeList();
    zzcrash_elf_image_list_refresh(images);
    zzcrash_loader_chain_prepare(images);
    return images;
}
