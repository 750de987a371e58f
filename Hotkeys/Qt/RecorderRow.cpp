#include "Hotkeys/Qt/RecorderRow.h"

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

RecorderRow::RecorderRow(Name name, RecorderEnvironment environment, RecorderCocoa::OnChange onChange,
                         QWidget* parent)
    : RecorderRow(static_cast<QWidget*>(nullptr), std::move(name), std::move(environment), std::move(onChange),
                  parent) {}

RecorderRow::RecorderRow(const QString& title, Name name, RecorderEnvironment environment,
                         RecorderCocoa::OnChange onChange, QWidget* parent)
    : RecorderRow(titleLabel(title), std::move(name), std::move(environment), std::move(onChange), parent) {}

RecorderRow::RecorderRow(QWidget* label, Name name, RecorderEnvironment environment,
                         RecorderCocoa::OnChange onChange, QWidget* parent)
    : QWidget(parent),
      layout_(new QHBoxLayout(this)),
      label_(label),
      recorder_(new RecorderCocoa(std::move(name), std::move(environment), std::move(onChange))) {
    layout_->setContentsMargins(0, 0, 0, 0);
    if (label_) layout_->addWidget(label_, 0, Qt::AlignVCenter);
    layout_->addWidget(recorder_, 0, Qt::AlignVCenter);
    layout_->addStretch(1);
}

void RecorderRow::lineUp(const QList<RecorderRow*>& rows) {
    int widest = 0;
    for (const RecorderRow* row : rows) {
        if (row->label_) widest = std::max(widest, row->label_->sizeHint().width());
    }
    for (RecorderRow* row : rows) {
        if (row->label_) row->label_->setFixedWidth(widest);
    }
}

}  // namespace hotkeys
