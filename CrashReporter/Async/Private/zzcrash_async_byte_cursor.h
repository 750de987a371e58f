#pragma once
#include <cstdint>

#include "CrashReporter/Async/Dwarf/Private/zzcrash_async_leb128.h"
#include "CrashReporter/Async/Private/zzcrash_async_sized_value.h"
#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_async_mobject.h"
#include "CrashReporter/Async/zzcrash_error.h"

namespace zzcrash::ZZ::async {

// Reads a program (call-frame instructions, an expression) in order from a
// range already checked to lie in a memory object: every operand must lie in
// the range too (else error 5); a LEB128 longer than 10 bytes is error 4.
class byte_cursor {
public:
    // The range [address + offset, + length) of the object; false when it
    // is not all inside it.
    bool open(const zzcrash_async_mobject* mobj, std::uint64_t address, std::int64_t offset, std::uint64_t length) {
        bytes_ = static_cast<const std::uint8_t*>(zzcrash_async_mobject_local_pointer(mobj, address, offset, length));
        if (!bytes_) return false;
        std::uint64_t start = address;
        zzcrash_async_add_offset_checked(address, offset, &start);
        start_ = start;
        length_ = length;
        position_ = 0;
        return true;
    }

    bool at_end() const { return position_ >= length_; }
    std::uint64_t position() const { return position_; }
    std::uint64_t length() const { return length_; }
    // The task address of the next byte.
    std::uint64_t address() const { return start_ + position_; }

    zzcrash_error_t byte(std::uint8_t* out) {
        if (at_end()) return ZZCRASH_EINVAL;
        *out = bytes_[position_++];
        return ZZCRASH_ESUCCESS;
    }
    zzcrash_error_t sized(const zzcrash_async_byteorder* order, std::uint64_t size, std::uint64_t* out) {
        if (size > length_ - position_) return ZZCRASH_EINVAL;
        *out = sized_value(order, bytes_ + position_, size);
        position_ += size;
        return ZZCRASH_ESUCCESS;
    }
    zzcrash_error_t uleb(std::uint64_t* out) { return leb(false, out); }
    zzcrash_error_t sleb(std::int64_t* out) {
        std::uint64_t bits = 0;
        const zzcrash_error_t error = leb(true, &bits);
        *out = static_cast<std::int64_t>(bits);
        return error;
    }
    zzcrash_error_t skip(std::uint64_t count) {
        if (count > length_ - position_) return ZZCRASH_EINVAL;
        position_ += count;
        return ZZCRASH_ESUCCESS;
    }
    // Moves by `delta` from the current position; the target may be the end.
    bool jump(std::int64_t delta) {
        const std::uint64_t target = position_ + static_cast<std::uint64_t>(delta);
        if (delta < 0 ? static_cast<std::uint64_t>(-(delta + 1)) + 1 > position_ : target > length_) return false;
        position_ = target;
        return true;
    }

private:
    zzcrash_error_t leb(bool isSigned, std::uint64_t* out) {
        std::uint64_t size = 0;
        const auto next = [this](std::uint8_t* b) { return byte(b); };
        const std::uint64_t saved = position_;
        const zzcrash_error_t error = leb128_decode(next, isSigned, out, &size);
        if (error != ZZCRASH_ESUCCESS) position_ = saved;
        return error;
    }

    const std::uint8_t* bytes_ = nullptr;
    std::uint64_t start_ = 0;
    std::uint64_t length_ = 0;
    std::uint64_t position_ = 0;
};

}  // namespace zzcrash::ZZ::async
