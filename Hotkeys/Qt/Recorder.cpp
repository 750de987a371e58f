#include "Hotkeys/Qt/Recorder.h"

#include <QBoxLayout>
#include <QLabel>

#include <algorithm>

namespace hotkeys {

namespace {
// Text labels hug the recorder, as a form's labels do.
QLabel* titleLabel(const QString& title) {
    auto* label = new QLabel(title);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return label;
}
}  // namespace

Recorder::Recorder(Name name, RecorderEnvironment environment, RecorderCocoa::OnChange onChange, QWidget* parent)
    : Recorder(static_cast<QWidget*>(nullptr), std::move(name), std::move(environment), std::move(onChange), parent) {}

Recorder::Recorder(const QString& title, Name name, RecorderEnvironment environment, RecorderCocoa::OnChange onChange,
                   QWidget* parent)
    : Recorder(titleLabel(title), std::move(name), std::move(environment), std::move(onChange), parent) {}

Recorder::Recorder(QWidget* label, Name name, RecorderEnvironment environment, RecorderCocoa::OnChange onChange,
                   QWidget* parent)
    : QWidget(parent),
      layout_(new QHBoxLayout(this)),
      label_(label),
      recorder_(new RecorderCocoa(std::move(name), std::move(environment), std::move(onChange))) {
    layout_->setContentsMargins(0, 0, 0, 0);
    if (label_) layout_->addWidget(label_, 0, Qt::AlignVCenter);
    layout_->addWidget(recorder_, 0, Qt::AlignVCenter);
    layout_->addStretch(1);
}

void Recorder::lineUp(const QList<Recorder*>& rows) {
    int widest = 0;
    for (const Recorder* row : rows) {
        if (row->label_) widest = std::max(widest, row->label_->sizeHint().width());
    }
    for (Recorder* row : rows) {
        if (row->label_) row->label_->setFixedWidth(widest);
    }
}

}  // namespace hotkeys
