#include "tests/CrashReporter/Unwind/CfiBytes.h"

namespace tessivar::testing::unwind {

std::size_t CfiBytes::begin() {
    const std::size_t start = bytes_.size();
    bytes_.u32(0);  // the length, filled in at the end
    return start;
}

void CfiBytes::end(std::size_t start) {
    while ((bytes_.size() - start) % 4 != 0) bytes_.u8(0);  // DW_CFA_nop
    bytes_.patch32(start, static_cast<std::uint32_t>(bytes_.size() - start - 4));
}

std::size_t CfiBytes::cie(const CieFields& fields) {
    const std::size_t start = begin();
    bytes_.u32(fields.id).u8(fields.version).text(fields.augmentation);
    if (fields.version == 4) bytes_.u8(fields.addressSize).u8(fields.segmentSize);
    bytes_.uleb(fields.codeAlignment).sleb(fields.dataAlignment).uleb(fields.returnAddress);
    if (fields.augmentation[0] == 'z') {
        bytes_.uleb(fields.augmentationData.size());
        for (std::uint8_t b : fields.augmentationData) bytes_.u8(b);
    }
    for (std::uint8_t b : fields.instructions) bytes_.u8(b);
    end(start);
    return start;
}

std::size_t CfiBytes::fde(std::size_t cieOffset, const FdeFields& fields, bool debugFrame) {
    const std::size_t start = begin();
    const std::size_t pointerField = bytes_.size();
    bytes_.u32(debugFrame ? cieOffset : pointerField - cieOffset);
    bytes_.u64(fields.pcStart).u64(fields.pcRange);
    if (fields.augmentation) bytes_.uleb(0);
    for (std::uint8_t b : fields.instructions) bytes_.u8(b);
    end(start);
    return start;
}

}  // namespace tessivar::testing::unwind
