#pragma once
#include <QFont>

namespace tessivar {

// The font with the CJK face the package installs ahead of the desktop's
// fallback, so the Chinese texts never come out as boxes whatever the default
// font is. The application's windows set it on themselves.
QFont withChineseFace(QFont font);

}  // namespace tessivar
