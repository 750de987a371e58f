#include "Tessivar/ChineseFace.h"

#include <QStringList>

namespace tessivar {

namespace {
constexpr const char* kChineseFamily = "Noto Sans CJK SC";
}  // namespace

QFont withChineseFace(QFont font) {
    font.setFamilies({font.family(), QString::fromLatin1(kChineseFamily)});
    return font;
}

}  // namespace tessivar
