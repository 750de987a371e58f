#include "Hotkeys/Qt/MenuItemBinding.h"

#include <QAction>
#include <QCoreApplication>
#include <QPointer>
#include <QTranslator>

#include "Hotkeys/Hotkeys.h"
#include "Hotkeys/Qt/Private/ShortcutKeySequence.h"
#include "Platform/Foundation/MainQueue.h"

namespace hotkeys {
namespace {

// Qt calls the key with the window logo "Meta" when it shows a shortcut
// ("Meta+Q"); Linux desktops, and this program's help, call it Super.
namespace SuperKeyName {

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

// Makes the running application's shortcut texts say "Super"; once is enough,
// later calls do nothing. Needs the application object.
void install() {
    static const bool installed = [] {
        return QCoreApplication::installTranslator(new SuperKeyTranslator(QCoreApplication::instance()));
    }();
    (void)installed;
}

}  // namespace SuperKeyName
}  // namespace

void MenuItemBinding::setShortcut(QAction* item, const std::optional<Shortcut>& shortcut) {
    show(item, shortcut ? ShortcutKeySequence::fromShortcut(*shortcut) : QKeySequence());
}

void MenuItemBinding::showKeyEquivalent(QAction* item, const std::string& keyEquivalent, ModifierFlags modifiers) {
    show(item, ShortcutKeySequence::fromKeyEquivalent(keyEquivalent, modifiers));
}

void MenuItemBinding::show(QAction* item, const QKeySequence& keys) {
    SuperKeyName::install();
    item->setShortcut(keys);
    item->setShortcutContext(Qt::WidgetShortcut);
}

void MenuItemBinding::setShortcut(QAction* item, const std::optional<Name>& name, Services services) {
    // Deleted at once: its observer must not hear another change, and a refresh
    // it queued holds it weakly, so a change of the old name no longer lands here.
    delete of(item);
    if (!name) return setShortcut(item, std::optional<Shortcut>());
    (new MenuItemBinding(item, *name, services))->refresh();
}

MenuItemBinding* MenuItemBinding::of(const QAction* item) {
    return item->findChild<MenuItemBinding*>(QString(), Qt::FindDirectChildrenOnly);
}

MenuItemBinding::MenuItemBinding(QAction* item, Name name, Services services)
    : QObject(item), item_(item), name_(std::move(name)) {
    // Heard on the main queue wherever the change was posted.
    auto& queue = services.mainQueue;
    changeObserver_ = services.notifications.addObserver(
        kShortcutByNameDidChange, &queue, [self = QPointer(this), &queue](const platform::Notification& notification) {
            const auto changed = changedName(notification);
            if (!self || !changed || changed->rawValue != self->name_.rawValue) return;
            // Read when the job runs, not now: the value then is the one to show.
            queue.async([self] {
                if (self) self->refresh();
            });
        });
}

void MenuItemBinding::refresh() { setShortcut(item_, loadShortcut(name_)); }

}  // namespace hotkeys
