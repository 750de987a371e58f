#include "tests/CrashReporter/MachO/LoadedFixture.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <limits>

namespace tessivar::testing::macho {

namespace {

std::vector<const CommandAnswer*> loadedSegments(const HeadersAnswer& layout) {
    std::vector<const CommandAnswer*> segments;
    for (const CommandAnswer& command : layout.commands) {
        if (command.type.rfind("LC_SEGMENT", 0) == 0 && command.fields.at("segname") != "__PAGEZERO")
            segments.push_back(&command);
    }
    return segments;
}

}  // namespace

LoadedFixture::LoadedFixture(const std::vector<std::uint8_t>& bytes, const HeadersAnswer& layout, bool atOwnAddress) {
    std::uint64_t low = std::numeric_limits<std::uint64_t>::max();
    std::uint64_t high = 0;
    for (const CommandAnswer* segment : loadedSegments(layout)) {
        low = std::min(low, segment->number("vmaddr"));
        high = std::max(high, segment->number("vmaddr") + segment->number("vmsize"));
    }
    length_ = high - low;
    void* wanted = atOwnAddress ? reinterpret_cast<void*>(low) : nullptr;
    const int fixed = atOwnAddress ? MAP_FIXED_NOREPLACE : 0;
    void* mapping = mmap(wanted, length_, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS | fixed, -1, 0);
    if (mapping == MAP_FAILED || (atOwnAddress && mapping != wanted)) return;
    base_ = static_cast<unsigned char*>(mapping);
    slide_ = reinterpret_cast<std::uint64_t>(base_) - low;
    for (const CommandAnswer* segment : loadedSegments(layout)) {
        const std::uint64_t size =
            std::min<std::uint64_t>(segment->number("filesize"), bytes.size() - segment->number("fileoff"));
        std::memcpy(base_ + (segment->number("vmaddr") - low), bytes.data() + segment->number("fileoff"), size);
    }
    header_ = layout.segment("__TEXT").number("vmaddr") + slide_;
}

LoadedFixture::~LoadedFixture() {
    if (base_) munmap(base_, length_);
}

FixtureImage::FixtureImage(const std::string& name, bool atOwnAddress)
    : FixtureImage(readFixture(name), name, atOwnAddress) {}

FixtureImage::FixtureImage(const std::vector<std::uint8_t>& bytes, const std::string& layoutOf, bool atOwnAddress)
    : loaded_(bytes, headersAnswer(layoutOf), atOwnAddress),
      error_(loaded_.loaded()
                 ? zzcrash_async_macho_image_init(&image_, ZZCRASH_TASK_SELF, layoutOf.c_str(), loaded_.header())
                 : ZZCRASH_EUNKNOWN) {}

FixtureImage::~FixtureImage() {
    if (error_ == ZZCRASH_ESUCCESS) zzcrash_async_macho_image_free(&image_);
}

}  // namespace tessivar::testing::macho
