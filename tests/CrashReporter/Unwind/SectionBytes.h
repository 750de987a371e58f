#pragma once
#include <sys/mman.h>

#include <cstdint>
#include <initializer_list>
#include <vector>

#include "CrashReporter/Async/zzcrash_async_mobject.h"

namespace tessivar::testing::unwind {

// The bytes of a made-up unwind section, written field by field in this
// machine's byte order.
class SectionBytes {
public:
    SectionBytes& u8(std::uint64_t value);
    SectionBytes& u16(std::uint64_t value);
    SectionBytes& u32(std::uint64_t value);
    SectionBytes& u64(std::uint64_t value);
    SectionBytes& uleb(std::uint64_t value);
    SectionBytes& sleb(std::int64_t value);
    SectionBytes& bytes(std::initializer_list<std::uint8_t> values);
    SectionBytes& text(const char* value);  // with its NUL
    // Overwrites the 32-bit value at `at` (to fill in a length afterwards).
    SectionBytes& patch32(std::size_t at, std::uint32_t value);

    std::size_t size() const { return bytes_.size(); }
    const std::vector<std::uint8_t>& data() const { return bytes_; }

private:
    std::vector<std::uint8_t> bytes_;
};

// A copy of the bytes in pages of their own (below 4 GiB when asked, for the
// 32-bit readers), with the page after them left unmapped so that a read
// past the end faults instead of finding other memory, and the memory object
// of exactly those bytes.
class MappedSection {
public:
    explicit MappedSection(const SectionBytes& bytes, bool low = false);
    ~MappedSection();
    MappedSection(const MappedSection&) = delete;
    MappedSection& operator=(const MappedSection&) = delete;

    bool mapped() const { return mapped_; }
    std::uint64_t address() const { return address_; }
    const zzcrash_async_mobject* mobj() const { return &mobj_; }

private:
    void* pages_ = MAP_FAILED;
    std::size_t length_ = 0;
    std::uint64_t address_ = 0;
    bool mapped_ = false;
    zzcrash_async_mobject mobj_{};
};

}  // namespace tessivar::testing::unwind
