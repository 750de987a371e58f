#pragma once
#include <QObject>

#include "Hotkeys/Name.h"
#include "Platform/Foundation/NotificationCenter.h"

class QAction;

namespace hotkeys {

// Gives an action (a button's, a menu command's) the stored shortcut of a name
// as its keyboard shortcut, kept equal to what is stored, and takes it away
// while any recorder records, so that the keys reach the recorder. The action
// owns its binding; binding it again replaces the earlier one.
class ActionShortcutBinding : public QObject {
    Q_OBJECT
public:
    // `notifications` is the shortcut registry's center; it outlives the action.
    static ActionShortcutBinding* bind(QAction* action, Name name, platform::NotificationCenter& notifications);

    const Name& name() const { return name_; }
    bool isRecorderActive() const { return isRecorderActive_; }

private:
    ActionShortcutBinding(QAction* action, Name name, platform::NotificationCenter& notifications);
    void refresh();

    QAction* action_;
    Name name_;
    bool isRecorderActive_ = false;
    platform::ObserverTokenPtr changeObserver_;
    platform::ObserverTokenPtr recorderObserver_;
};

}  // namespace hotkeys
