#include "Tessivar/Settings/Private/LockedSplitter.h"

#include "Tessivar/AppLog.h"

namespace tessivar {

LockedSplitter::LockedSplitter(QWidget* parent) : QSplitter(Qt::Horizontal, parent) { setChildrenCollapsible(false); }

void LockedSplitter::lock() {
    locked_ = true;
    for (int i = 0; i < count(); ++i) {
        if (auto* divider = qobject_cast<LockedSplitterHandle*>(handle(i))) divider->lock();
    }
}

QSplitterHandle* LockedSplitter::createHandle() {
    auto* divider = new LockedSplitterHandle(orientation(), this);
    if (locked_) divider->lock();
    return divider;
}

LockedSplitterHandle::LockedSplitterHandle(Qt::Orientation orientation, QSplitter* parent)
    : QSplitterHandle(orientation, parent) {}

void LockedSplitterHandle::lock() { setCursor(Qt::ArrowCursor); }

bool LockedSplitterHandle::isLocked() const {
    const auto* owner = qobject_cast<const LockedSplitter*>(splitter());
    return owner && owner->isLocked();
}

void LockedSplitterHandle::mousePressEvent(QMouseEvent* event) {
    if (!isLocked()) return QSplitterHandle::mousePressEvent(event);
    appLog("[LockedSplitView] 拦截并丢弃分割线 mouseDown 事件，成功阻止拖拽");
}

void LockedSplitterHandle::mouseMoveEvent(QMouseEvent* event) {
    if (!isLocked()) QSplitterHandle::mouseMoveEvent(event);
}

void LockedSplitterHandle::mouseReleaseEvent(QMouseEvent* event) {
    if (!isLocked()) QSplitterHandle::mouseReleaseEvent(event);
}

}  // namespace tessivar
