#pragma once
#include <chrono>
#include <mutex>
#include <optional>
#include <string>

#include "Platform/Foundation/Clock.h"
#include "Platform/Foundation/SystemInfo.h"

namespace platform {

// SystemInfo::timeZoneIdentifier() for callers that ask for every event. The zone
// is read once, and again only when its source is no longer the one it was read
// from: TZ, looked at on every call (an environment read), or the identity of the
// zone file and link, looked at no more than once per recheck interval. Even a stat
// costs as much as a small file write's system calls, so a call costs none of them
// while the zone stays as it is; a zone changed in the files shows within the
// interval. Changing the zone replaces the link or the file, or rewrites the file,
// which gives it new times; the one change that goes unseen is a rewrite in place
// to a name of the same length within the file system's clock tick.
class TimeZoneCache {
public:
    static constexpr std::chrono::seconds recheckInterval{1};

    // The system and the clock must outlive the cache.
    explicit TimeZoneCache(const SystemInfo& system, const Clock& clock = SystemClock::shared());
    TimeZoneCache(const TimeZoneCache&) = delete;
    TimeZoneCache& operator=(const TimeZoneCache&) = delete;

    // Safe to call from any thread.
    std::optional<std::string> identifier() const;

private:
    bool isCurrent(const std::optional<std::string>& variable, Clock::MonotonicTime now) const;

    const SystemInfo& system_;
    const Clock& clock_;
    mutable std::mutex lock_;  // guards source_, checkedAt_ and identifier_
    mutable std::optional<SystemInfo::TimeZoneSource> source_;
    mutable Clock::MonotonicTime checkedAt_;
    mutable std::optional<std::string> identifier_;
};

}  // namespace platform
