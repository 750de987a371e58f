#include "ZeraZov/Integrations/ErrorTracking/CallerFrame.h"

#include <cstdint>

namespace zerazov {
namespace {

thread_local std::uint64_t outermostReturnAddress = 0;

}  // namespace

CallerFrame::CallerFrame(const void* returnAddress) noexcept : outermost_(outermostReturnAddress == 0) {
    if (outermost_) outermostReturnAddress = reinterpret_cast<std::uintptr_t>(returnAddress);
}

CallerFrame::~CallerFrame() {
    if (outermost_) outermostReturnAddress = 0;
}

std::optional<std::uint64_t> CallerFrame::returnAddress() noexcept {
    if (outermostReturnAddress == 0) return std::nullopt;
    return outermostReturnAddress;
}

}  // namespace zerazov
