#pragma once
#include <QSplitterHandle>

namespace tessivar {

// The divider of a LockedSplitter: while the splitter is locked it swallows
// every press (logging each one) and shows no resize cursor.
class LockedSplitterHandle : public QSplitterHandle {
    Q_OBJECT
public:
    LockedSplitterHandle(Qt::Orientation orientation, QSplitter* parent);

    void lock();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool isLocked() const;
};

}  // namespace tessivar
