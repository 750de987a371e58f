#include "Hotkeys/Qt/Private/SuperKeyName.h"

#include <QCoreApplication>
#include <QTranslator>

namespace hotkeys::SuperKeyName {

namespace {

// Qt's key sequences look their modifier names up under "QShortcut"; every
// other text goes on to the translators installed before this one.
class SuperKeyTranslator : public QTranslator {
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char* context, const char* sourceText, const char*, int) const override {
        if (qstrcmp(context, "QShortcut") == 0 && qstrcmp(sourceText, "Meta") == 0) return QStringLiteral("Super");
        return {};
    }
};

}  // namespace

void install() {
    static const bool installed = [] {
        return QCoreApplication::installTranslator(new SuperKeyTranslator(QCoreApplication::instance()));
    }();
    (void)installed;
}

}  // namespace hotkeys::SuperKeyName
