#pragma once
#include <QObject>

#include <optional>
#include <string>

#include "Hotkeys/Name.h"
#include "Platform/Foundation/NotificationCenter.h"

class QAction;
class QKeySequence;

namespace platform {
class MainQueue;
}

namespace hotkeys {

// Shows a shortcut as a menu item's key equivalent: a given shortcut once, or
// the stored shortcut of a name, kept up to date one main-queue turn after
// every change of that name. It only shows the shortcut: the item does not
// act on the keys (the registry's hot key does), so the shortcut's context is
// the item's own widget. A bound item owns its binding, which goes with it.
class MenuItemBinding : public QObject {
    Q_OBJECT
public:
    // The shortcut registry's center and the main queue the refreshes run on.
    struct Services {
        platform::NotificationCenter& notifications;
        platform::MainQueue& mainQueue;
    };

    // Shows the shortcut, or none, once; an existing binding stays. A keypad
    // key shows as one ("Super+Num+1"), though it has no key equivalent.
    static void setShortcut(QAction* item, const std::optional<Shortcut>& shortcut);
    // Shows a key equivalent as menus give it (a character or a special key's
    // symbol; empty: none) with its modifiers.
    static void showKeyEquivalent(QAction* item, const std::string& keyEquivalent, ModifierFlags modifiers);
    // Binds the item to the name, replacing any earlier binding, and shows its
    // stored shortcut at once; none unbinds the item and clears its shortcut.
    static void setShortcut(QAction* item, const std::optional<Name>& name, Services services);
    // The item's binding; null while it is unbound.
    static MenuItemBinding* of(const QAction* item);

    const Name& name() const { return name_; }

private:
    MenuItemBinding(QAction* item, Name name, Services services);
    // The Super key is named so, as the desktop names it.
    static void show(QAction* item, const QKeySequence& keys);
    void refresh();

    QAction* item_;
    Name name_;
    platform::ObserverTokenPtr changeObserver_;
};

}  // namespace hotkeys
