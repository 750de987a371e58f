#pragma once
#include <QFont>
#include <QStringList>

namespace tessivar {

// The font with the CJK face the package installs ahead of the desktop's
// fallback, so the Chinese texts never come out as boxes whatever the default
// font is. The application's windows set it on themselves.
inline QFont withChineseFace(QFont font) {
    font.setFamilies({font.family(), QStringLiteral("Noto Sans CJK SC")});
    return font;
}

}  // namespace tessivar
