#include "CrashReporter/Async/Frames/Private/zzcrash_async_frame_lookup.h"

#include "CrashReporter/Async/Elf/zzcrash_async_elf_image.h"
#include "CrashReporter/Async/MachO/zzcrash_async_macho_image.h"

namespace zzcrash::ZZ::async {

frame_lookup::frame_lookup(zzcrash_async_frame_cursor* cursor) : list_(cursor->image_list) {
    zzcrash_async_image_list_mark_reading(list_, true);
    const zzcrash_async_thread_state* frame = &cursor->frame;
    if (!zzcrash_async_thread_state_has_reg(frame, ZZCRASH_REG_IP)) {
        status_ = ZZCRASH_FRAME_EBADFRAME;
        return;
    }
    const std::uint64_t pc = zzcrash_async_thread_state_get_reg(frame, ZZCRASH_REG_IP);
    if (pc == 0) {
        status_ = ZZCRASH_FRAME_ENOTSUP;
        return;
    }
    pc_ = cursor->frame_pc_exact ? pc : pc - 1;
    image_ = zzcrash_async_image_containing_address(list_, pc_);
    if (!image_) status_ = ZZCRASH_FRAME_ENOTSUP;
}

frame_lookup::~frame_lookup() { zzcrash_async_image_list_mark_reading(list_, false); }

bool frame_lookup::is_macho() const { return list_->format == &zzcrash_async_macho_image_format; }

bool frame_lookup::is_elf() const { return list_->format == &zzcrash_async_elf_image_format; }

}  // namespace zzcrash::ZZ::async
