#include "CrashReporter/Writer/Private/zzcrash_crash_info.h"

#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_mobject.h"

namespace {

constexpr const char* dataSegments[] = {"__DATA", "__DATA_CONST", "__DATA_DIRTY"};
constexpr std::uint64_t recordLength = 40;
constexpr std::int64_t messageOffset = 8;
constexpr std::int64_t secondMessageOffset = 32;

// The bytes a sequence takes, from its first byte.
std::size_t sequenceLength(unsigned char lead) {
    if (lead >= 0xF0) return 4;
    if (lead >= 0xE0) return 3;
    if (lead >= 0xC0) return 2;
    return 1;
}

bool isContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Copies the NUL-terminated text at `address` a byte at a time, so that it
// may end just before memory that cannot be read.
bool copyText(std::uint64_t address, char message[ZZCRASH_CRASH_INFO_MESSAGE_MAX + 1]) {
    if (address == 0) return false;
    std::size_t length = 0;
    for (; length < ZZCRASH_CRASH_INFO_MESSAGE_MAX; ++length) {
        std::uint8_t byte = 0;
        if (zzcrash_async_task_read_uint8(ZZCRASH_TASK_SELF, address, static_cast<std::int64_t>(length), &byte) !=
            ZZCRASH_ESUCCESS)
            return false;
        if (byte == 0) break;
        message[length] = static_cast<char>(byte);
    }
    if (length == ZZCRASH_CRASH_INFO_MESSAGE_MAX) length = zzcrash_crash_info_whole_sequences(message, length);
    message[length] = '\0';
    return true;
}

bool copyMessage(const zzcrash_async_macho_image* image, const zzcrash_async_mobject* section,
                 char message[ZZCRASH_CRASH_INFO_MESSAGE_MAX + 1]) {
    const zzcrash_async_byteorder* order = zzcrash_async_macho_byteorder(image);
    const std::uint64_t start = zzcrash_async_mobject_base_address(section);
    std::uint32_t version = 0;
    if (zzcrash_async_mobject_length(section) < recordLength ||
        zzcrash_async_mobject_read_uint32(section, order, start, 0, &version) != ZZCRASH_ESUCCESS ||
        (version != 4 && version != 5))
        return false;
    for (const std::int64_t offset : {messageOffset, secondMessageOffset}) {
        std::uint64_t address = 0;
        if (zzcrash_async_mobject_read_uint64(section, order, start, offset, &address) == ZZCRASH_ESUCCESS &&
            copyText(address, message))
            return true;
    }
    return false;
}

}  // namespace

std::size_t zzcrash_crash_info_whole_sequences(const char* text, std::size_t length) {
    // The last sequence starts at most three bytes before the end.
    for (std::size_t back = 1; back <= 4 && back <= length; ++back) {
        const auto byte = static_cast<unsigned char>(text[length - back]);
        if (isContinuation(byte)) continue;
        return sequenceLength(byte) > back ? length - back : length;
    }
    return length;
}

bool zzcrash_crash_info_search(const zzcrash_async_macho_image* image,
                               char message[ZZCRASH_CRASH_INFO_MESSAGE_MAX + 1]) {
    for (const char* segment : dataSegments) {
        zzcrash_async_mobject section;
        const zzcrash_error_t mapped = zzcrash_async_macho_map_section(image, segment, "__crash_info", &section);
        if (mapped == ZZCRASH_ENOTFOUND) continue;
        if (mapped != ZZCRASH_ESUCCESS) return false;
        const bool copied = copyMessage(image, &section, message);
        zzcrash_async_mobject_free(&section);
        return copied;
    }
    return false;
}
