#include "Tessivar/Effects/EnlargedCursor.h"

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

}  // namespace tessivar
