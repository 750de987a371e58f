#pragma once
#include <QSplitter>

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

}  // namespace tessivar
