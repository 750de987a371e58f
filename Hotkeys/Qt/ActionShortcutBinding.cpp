#include "Hotkeys/Qt/ActionShortcutBinding.h"

#include <QAction>
#include <QPointer>

#include "Hotkeys/Hotkeys.h"
#include "Hotkeys/Qt/Private/ShortcutKeySequence.h"
#include "Hotkeys/Qt/RecorderCocoa.h"

namespace hotkeys {

namespace {
// A status without a Boolean "isActive" (none at all, or another type) reads as not recording.
bool isActiveIn(const platform::Notification& notification) {
    const auto& info = notification.userInfo;
    if (!info.is_object()) return false;
    const auto found = info.find("isActive");
    return found != info.end() && found->is_boolean() && found->get<bool>();
}
}  // namespace

ActionShortcutBinding* ActionShortcutBinding::bind(QAction* action, Name name,
                                                   platform::NotificationCenter& notifications) {
    delete action->findChild<ActionShortcutBinding*>(QString(), Qt::FindDirectChildrenOnly);
    auto* binding = new ActionShortcutBinding(action, std::move(name), notifications);
    binding->refresh();
    return binding;
}

ActionShortcutBinding::ActionShortcutBinding(QAction* action, Name name, platform::NotificationCenter& notifications)
    : QObject(action), action_(action), name_(std::move(name)) {
    changeObserver_ = notifications.addObserver(kShortcutByNameDidChange, nullptr,
                                                [self = QPointer(this)](const platform::Notification& notification) {
                                                    const auto changed = changedName(notification);
                                                    if (self && changed && changed->rawValue == self->name_.rawValue)
                                                        self->refresh();
                                                });
    recorderObserver_ = notifications.addObserver(kRecorderActiveStatusDidChange, nullptr,
                                                  [self = QPointer(this)](const platform::Notification& notification) {
                                                      if (!self) return;
                                                      self->isRecorderActive_ = isActiveIn(notification);
                                                      self->refresh();
                                                  });
}

void ActionShortcutBinding::refresh() {
    const auto stored = isRecorderActive_ ? std::nullopt : loadShortcut(name_);
    action_->setShortcut(stored ? ShortcutKeySequence::fromShortcut(*stored) : QKeySequence());
}

}  // namespace hotkeys
