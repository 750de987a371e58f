#pragma once
#include <cstdint>
#include <memory>
#include <vector>

#include "CrashReporter/Writer/ZZCrashLogWriter.h"

namespace tessivar::testing {

// A crash log writer of this process with the list of its ELF images, made
// as the reporter makes them when it is enabled.
class WriterHarness {
public:
    explicit WriterHarness(std::uint32_t strategy = ZZCRASH_SYMBOL_STRATEGY_SYMBOL_TABLE, bool userRequested = false);
    ~WriterHarness();
    WriterHarness(const WriterHarness&) = delete;
    WriterHarness& operator=(const WriterHarness&) = delete;

    zzcrash_log_writer* writer() { return writer_.get(); }
    zzcrash_async_image_list* images() { return &images_; }

    struct Written {
        zzcrash_error_t result = ZZCRASH_EUNKNOWN;
        std::size_t allocations = 0;  // while the writer wrote
        std::vector<std::uint8_t> bytes;
    };
    // A log with `crashed` marked crashed; the calling thread described from
    // here, or left out. `limit` caps the file (0: none).
    Written write(const zzcrash_log_signal_info& signal, bool withCurrentState, zzcrash_thread_t crashed,
                  std::uint64_t limit = 0);
    // The same, with the calling thread crashed and described.
    Written write(const zzcrash_log_signal_info& signal);

private:
    std::unique_ptr<zzcrash_log_writer> writer_;
    zzcrash_async_image_list images_{};
};

// A signal description with a BSD part only.
struct SignalOnly {
    zzcrash_log_bsd_signal_info bsd;
    zzcrash_log_signal_info info() const { return {&bsd, nullptr}; }
};

}  // namespace tessivar::testing
