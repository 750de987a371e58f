#include "Tessivar/Effects/EnlargedCursor.h"

#include "Platform/Desktop/CursorImageSource.h"
#include "Tessivar/Effects/Private/ArrowCursorImage.h"

namespace tessivar {

EnlargedCursor EnlargedCursor::fromCursorImage(const platform::CursorImage& cursor, double backingScale) {
    // Only a view of the pixels: scaled() below makes the image that is kept.
    const QImage source(reinterpret_cast<const uchar*>(cursor.pixels.data()), cursor.width, cursor.height,
                        cursor.width * 4, QImage::Format_ARGB32_Premultiplied);
    const auto enlargement = static_cast<int>(kEnlargement);
    QImage image = source.scaled(cursor.width * enlargement, cursor.height * enlargement, Qt::IgnoreAspectRatio,
                                 Qt::SmoothTransformation);
    image.setDevicePixelRatio(backingScale);
    return {image,
            {cursor.width / backingScale, cursor.height / backingScale},
            {cursor.hotSpot.x / backingScale, cursor.hotSpot.y / backingScale},
            "pointer " + std::to_string(cursor.serial) + " @" + std::to_string(backingScale)};
}

EnlargedCursor EnlargedCursor::drawnArrow(double backingScale) {
    return {ArrowCursorImage::render(kEnlargement, backingScale), ArrowCursorImage::size(), ArrowCursorImage::hotSpot(),
            "arrow @" + std::to_string(backingScale)};
}

bool EnlargedCursor::isUsable(const platform::CursorImage& cursor) {
    if (cursor.width <= 0 || cursor.height <= 0) return false;
    return cursor.pixels.size() == static_cast<std::size_t>(cursor.width) * static_cast<std::size_t>(cursor.height);
}

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
