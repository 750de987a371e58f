#include "Platform/Foundation/TimeZoneCache.h"

#include <utility>

namespace platform {

TimeZoneCache::TimeZoneCache(const SystemInfo& system, const Clock& clock) : system_(system), clock_(clock) {}

// The source is looked at before the zone is read: a change between the two then
// shows as a changed source next time instead of a stale zone kept for good.
std::optional<std::string> TimeZoneCache::identifier() const {
    const auto variable = system_.timeZoneVariable();
    std::lock_guard guard(lock_);
    const auto now = clock_.monotonicNow();
    if (isCurrent(variable, now)) return identifier_;
    auto source = system_.timeZoneSource();
    checkedAt_ = now;
    if (source_ != source) {
        identifier_ = system_.timeZoneIdentifier();
        source_ = std::move(source);
    }
    return identifier_;
}

// While TZ is set the files do not count, so only a change of TZ is news.
bool TimeZoneCache::isCurrent(const std::optional<std::string>& variable, Clock::MonotonicTime now) const {
    if (!source_ || source_->variable != variable) return false;
    return variable || now - checkedAt_ < recheckInterval;
}

}  // namespace platform
