#include "tests/CrashReporter/Unwind/SectionBytes.h"

#include <unistd.h>

#include <cstring>

namespace tessivar::testing::unwind {

namespace {

void append(std::vector<std::uint8_t>* bytes, std::uint64_t value, std::size_t size) {
    for (std::size_t i = 0; i < size; ++i) bytes->push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

}  // namespace

SectionBytes& SectionBytes::u8(std::uint64_t value) {
    append(&bytes_, value, 1);
    return *this;
}

SectionBytes& SectionBytes::u16(std::uint64_t value) {
    append(&bytes_, value, 2);
    return *this;
}

SectionBytes& SectionBytes::u32(std::uint64_t value) {
    append(&bytes_, value, 4);
    return *this;
}

SectionBytes& SectionBytes::u64(std::uint64_t value) {
    append(&bytes_, value, 8);
    return *this;
}

SectionBytes& SectionBytes::uleb(std::uint64_t value) {
    do {
        const auto byte = static_cast<std::uint8_t>(value & 0x7f);
        value >>= 7;
        bytes_.push_back(value ? byte | 0x80 : byte);
    } while (value);
    return *this;
}

SectionBytes& SectionBytes::sleb(std::int64_t value) {
    for (bool more = true; more;) {
        const auto byte = static_cast<std::uint8_t>(value & 0x7f);
        value >>= 7;
        more = !((value == 0 && !(byte & 0x40)) || (value == -1 && (byte & 0x40)));
        bytes_.push_back(more ? byte | 0x80 : byte);
    }
    return *this;
}

SectionBytes& SectionBytes::bytes(std::initializer_list<std::uint8_t> values) {
    bytes_.insert(bytes_.end(), values);
    return *this;
}

SectionBytes& SectionBytes::text(const char* value) {
    bytes_.insert(bytes_.end(), value, value + std::strlen(value) + 1);
    return *this;
}

SectionBytes& SectionBytes::patch32(std::size_t at, std::uint32_t value) {
    std::memcpy(bytes_.data() + at, &value, sizeof value);
    return *this;
}

MappedSection::MappedSection(const SectionBytes& bytes, bool low) {
    const auto page = static_cast<std::size_t>(sysconf(_SC_PAGESIZE));
    const std::size_t dataPages = (bytes.size() + page - 1) / page + (bytes.size() == 0 ? 1 : 0);
    length_ = (dataPages + 1) * page;
    pages_ = mmap(nullptr, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | (low ? MAP_32BIT : 0), -1, 0);
    if (pages_ == MAP_FAILED) return;
    auto* base = static_cast<unsigned char*>(pages_);
    mprotect(base + dataPages * page, page, PROT_NONE);
    // The bytes end where the readable pages end.
    unsigned char* start = base + dataPages * page - bytes.size();
    std::memcpy(start, bytes.data().data(), bytes.size());
    address_ = reinterpret_cast<std::uint64_t>(start);
    mapped_ = bytes.size() > 0 &&
              zzcrash_async_mobject_init(&mobj_, ZZCRASH_TASK_SELF, address_, bytes.size(), true) == ZZCRASH_ESUCCESS;
}

MappedSection::~MappedSection() {
    if (mapped_) zzcrash_async_mobject_free(&mobj_);
    if (pages_ != MAP_FAILED) munmap(pages_, length_);
}

}  // namespace tessivar::testing::unwind
