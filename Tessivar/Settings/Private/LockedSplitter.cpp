#include "Tessivar/Settings/Private/LockedSplitter.h"

#include "Tessivar/Settings/Private/LockedSplitterHandle.h"

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

}  // namespace tessivar
