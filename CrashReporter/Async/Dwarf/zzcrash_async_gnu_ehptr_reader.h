#pragma once
#include <cstdint>

#include "CrashReporter/Async/zzcrash_async_byteorder.h"
#include "CrashReporter/Async/zzcrash_async_mobject.h"
#include "CrashReporter/Async/zzcrash_error.h"

namespace zzcrash::ZZ::async {

// The pointer-encoding byte of the eh_frame variant of call-frame
// information: bits 0-3 say how the value is stored, bits 4-6 what it is
// relative to, bit 7 that it is the address of the pointer; 0xFF: no value.
enum DW_EH_PE : std::uint8_t {
    DW_EH_PE_absptr = 0x00,
    DW_EH_PE_uleb128 = 0x01,
    DW_EH_PE_udata2 = 0x02,
    DW_EH_PE_udata4 = 0x03,
    DW_EH_PE_udata8 = 0x04,
    DW_EH_PE_sleb128 = 0x09,
    DW_EH_PE_sdata2 = 0x0a,
    DW_EH_PE_sdata4 = 0x0b,
    DW_EH_PE_sdata8 = 0x0c,
    DW_EH_PE_pcrel = 0x10,
    DW_EH_PE_textrel = 0x20,
    DW_EH_PE_datarel = 0x30,
    DW_EH_PE_funcrel = 0x40,
    DW_EH_PE_aligned = 0x50,
    DW_EH_PE_indirect = 0x80,
    DW_EH_PE_omit = 0xff,
};

// Reads encoded pointers of one width (machine_ptr is the target's
// std::uint32_t or std::uint64_t). The bases an encoding may be relative to
// are set by the caller; one that is needed but not set is error 4.
// Async-signal-safe.
template <typename machine_ptr>
class gnu_ehptr_reader {
public:
    explicit gnu_ehptr_reader(const zzcrash_async_byteorder* byteorder) : byteorder_(byteorder) {}

    // The frame section's address in the task and where it is mapped here
    // (aligned values are aligned in the mapping).
    void set_frame_section_base(machine_ptr vmAddress, machine_ptr localAddress) {
        frame_section_ = {true, vmAddress};
        frame_section_local_ = localAddress;
    }
    void set_text_base(machine_ptr base) { text_ = {true, base}; }
    void set_data_base(machine_ptr base) { data_ = {true, base}; }
    void set_func_base(machine_ptr base) { func_ = {true, base}; }

    // The pointer stored at location + offset: base + value, or for an
    // indirect encoding the pointer-sized word the task holds there. `size`
    // receives the bytes the value took (alignment padding included). Error 8
    // for DW_EH_PE_omit, 4 for an unknown format or an unset base, 5 for bytes
    // outside the object; an indirect read answers its copy's code.
    zzcrash_error_t read(const zzcrash_async_mobject* mobj, machine_ptr location, std::int64_t offset,
                         DW_EH_PE encoding, machine_ptr* result, std::uint64_t* size) const;

private:
    struct optional_base {
        bool set = false;
        machine_ptr value = 0;
    };
    zzcrash_error_t base_of(DW_EH_PE encoding, machine_ptr position, machine_ptr* value) const;
    zzcrash_error_t read_value(const zzcrash_async_mobject* mobj, machine_ptr position, DW_EH_PE format,
                               machine_ptr* value, std::uint64_t* size) const;

    const zzcrash_async_byteorder* byteorder_;
    optional_base frame_section_;
    machine_ptr frame_section_local_ = 0;
    optional_base text_;
    optional_base data_;
    optional_base func_;
};

extern template class gnu_ehptr_reader<std::uint32_t>;
extern template class gnu_ehptr_reader<std::uint64_t>;

}  // namespace zzcrash::ZZ::async
