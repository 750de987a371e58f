#pragma once
#include <QSplitter>
#include <QSplitterHandle>

namespace tessivar {

// A splitter whose divider can be locked: from then on a press on it moves
// nothing, and it shows no resize cursor.
class LockedSplitter : public QSplitter {
    Q_OBJECT
public:
    explicit LockedSplitter(QWidget* parent = nullptr);

    bool isLocked() const { return locked_; }
    void lock();

protected:
    QSplitterHandle* createHandle() override;

private:
    bool locked_ = false;
};

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
