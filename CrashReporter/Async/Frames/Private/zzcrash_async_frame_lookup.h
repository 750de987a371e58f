#pragma once
#include <cstdint>

#include "CrashReporter/Async/Frames/zzcrash_async_frame_cursor.h"

namespace zzcrash::ZZ::async {

// What a table-driven reader needs first: the pc to look up and the image
// holding it, found under the image list's reading mark, which stays set
// while the lookup lives.
class frame_lookup {
public:
    explicit frame_lookup(zzcrash_async_frame_cursor* cursor);
    ~frame_lookup();
    frame_lookup(const frame_lookup&) = delete;
    frame_lookup& operator=(const frame_lookup&) = delete;

    // 0 when there is an image; 3 without a pc, 4 for a pc of 0 or one in no image.
    zzcrash_async_frame_error status() const { return status_; }
    // The pc itself for an exact frame, else the return address - 1 (inside the call).
    std::uint64_t pc() const { return pc_; }
    zzcrash_async_image* image() const { return image_; }
    bool is_macho() const;
    bool is_elf() const;

private:
    zzcrash_async_image_list* list_;
    zzcrash_async_frame_error status_ = ZZCRASH_FRAME_ESUCCESS;
    std::uint64_t pc_ = 0;
    zzcrash_async_image* image_ = nullptr;
};

}  // namespace zzcrash::ZZ::async
