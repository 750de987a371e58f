#pragma once
#include <cstdint>
#include <vector>

#include "tests/CrashReporter/Unwind/SectionBytes.h"

namespace tessivar::testing::unwind {

// A CIE as the tests write it (32-bit DWARF).
struct CieFields {
    std::uint32_t id = 0;  // 0 in eh_frame, 0xffffffff in debug_frame
    std::uint8_t version = 1;
    const char* augmentation = "zR";
    std::uint8_t addressSize = 8;  // version 4 only
    std::uint8_t segmentSize = 0;  // version 4 only
    std::uint64_t codeAlignment = 1;
    std::int64_t dataAlignment = -8;
    std::uint64_t returnAddress = 16;
    std::vector<std::uint8_t> augmentationData = {0x00};  // 'R': absolute pointers
    std::vector<std::uint8_t> instructions;
};

// An FDE with absolute 8-byte addresses.
struct FdeFields {
    std::uint64_t pcStart = 0;
    std::uint64_t pcRange = 0;
    bool augmentation = true;  // its CIE has 'z': an (empty) augmentation data block
    std::vector<std::uint8_t> instructions;
};

// Writes CIEs and FDEs into one section; each call answers the entry's
// offset (of its length field).
class CfiBytes {
public:
    std::size_t cie(const CieFields& fields);
    // In eh_frame the FDE points back at its CIE, in debug_frame at its offset.
    std::size_t fde(std::size_t cieOffset, const FdeFields& fields, bool debugFrame = false);
    void terminator() { bytes_.u32(0); }
    const SectionBytes& bytes() const { return bytes_; }

private:
    std::size_t begin();
    void end(std::size_t start);

    SectionBytes bytes_;
};

}  // namespace tessivar::testing::unwind
