#pragma once
#include <QList>
#include <QWidget>

#include "Hotkeys/Qt/RecorderCocoa.h"

class QHBoxLayout;
class QLabel;

namespace hotkeys {

// A recorder for one name as a row of a form: the recorder alone, or a label
// followed by it. Rows lined up with lineUp() start their recorders on one
// vertical line, their labels extending to the left of it.
class Recorder : public QWidget {
    Q_OBJECT
public:
    // No label.
    Recorder(Name name, RecorderEnvironment environment, RecorderCocoa::OnChange onChange = {},
             QWidget* parent = nullptr);
    // A text label, shown as given.
    Recorder(const QString& title, Name name, RecorderEnvironment environment, RecorderCocoa::OnChange onChange = {},
             QWidget* parent = nullptr);
    // A label of the caller's making; the row takes it.
    Recorder(QWidget* label, Name name, RecorderEnvironment environment, RecorderCocoa::OnChange onChange = {},
             QWidget* parent = nullptr);

    RecorderCocoa* recorder() const { return recorder_; }
    // Null for the row without a label.
    QWidget* label() const { return label_; }
    // Shows another name's shortcut; the action given at construction stays.
    void setShortcutName(const Name& name) { recorder_->setShortcutName(name); }

    // Gives every row's label the width of the widest, so the recorders line up.
    static void lineUp(const QList<Recorder*>& rows);

private:
    QHBoxLayout* layout_;
    QWidget* label_;
    RecorderCocoa* recorder_;
};

}  // namespace hotkeys
