#include "Tessivar/Effects/EnlargedCursorCache.h"

#include "Platform/Desktop/CursorImageSource.h"

namespace tessivar {

EnlargedCursor EnlargedCursorCache::current(double backingScale) {
    const auto found = entries_.find(backingScale);
    // The picture enlarged last is still on show: nothing to read.
    if (source_ && found != entries_.end() && found->second.serial && found->second.serial == source_->knownSerial()) {
        return found->second.cursor;
    }
    std::optional<platform::CursorImage> picture;
    if (source_) picture = source_->currentCursorImage();
    if (picture && !EnlargedCursor::isUsable(*picture)) picture.reset();
    const std::optional<std::uint64_t> serial = picture ? std::optional(picture->serial) : std::nullopt;

    if (found != entries_.end() && found->second.serial == serial) return found->second.cursor;
    auto cursor =
        picture ? EnlargedCursor::fromCursorImage(*picture, backingScale) : EnlargedCursor::drawnArrow(backingScale);
    entries_.insert_or_assign(backingScale, Entry{serial, cursor});
    return cursor;
}

}  // namespace tessivar
