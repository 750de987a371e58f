#include "Tessivar/Settings/Private/ShortcutSettingsView.h"

#include <QBoxLayout>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QScrollArea>
#include <QShowEvent>

#include "Platform/Desktop/Desktop.h"
#include "Tessivar/Settings/Private/SettingsStyle.h"
#include "Tessivar/Settings/Private/ShortcutRecorderBridge.h"
#include "Tessivar/Settings/Private/ShortcutRows.h"
#include "Tessivar/StatusMenu/SymbolIcons.h"

namespace tessivar {

using SettingsStyle::text;

namespace {
// A faint line over the footer: gray at 0.15 on the window. A frame's own
// line would take the text colour, black.
QWidget* separatorLine() {
    auto* line = new QFrame;
    line->setFixedHeight(1);
    line->setStyleSheet(QStringLiteral("background-color: rgba(142, 142, 147, 0.15); border: none;"));
    return line;
}
}  // namespace

ShortcutSettingsView::ShortcutSettingsView(const SettingsEnvironment& environment, QWidget* parent)
    : QWidget(parent), environment_(environment) {
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    scroll_ = new QScrollArea;
    scroll_->setWidgetResizable(true);
    scroll_->setFrameShape(QFrame::NoFrame);
    // Tab goes from the sidebar straight to the recorders.
    scroll_->setFocusPolicy(Qt::NoFocus);
    buildRows();
    outer->addWidget(scroll_, 1);
    outer->addWidget(makeFooter());
}

// The window is kept while hidden: the displays may have changed since it was
// last shown, and the rows follow them.
void ShortcutSettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous() && shownBefore_) buildRows();
    shownBefore_ = true;
}

void ShortcutSettingsView::buildRows() {
    recorders_.clear();
    auto* content = new QWidget;
    auto* layout = SettingsStyle::paneLayout(content);
    auto* section = SettingsStyle::section(kSectionHeader, content);
    const auto rows = shortcutRows(environment_.desktop.screens(), environment_.names);
    if (rows.empty()) section->layout()->addWidget(SettingsStyle::label(text(kNoDisplaysText), 13, 0, true));
    for (const auto& row : rows) section->layout()->addWidget(makeRow(row, environment_));
    layout->addWidget(section);
    layout->addStretch();
    // The old rows go with the widget the scroll area gives up.
    scroll_->setWidget(content);
}

QWidget* ShortcutSettingsView::makeRow(const ShortcutRow& row, const SettingsEnvironment& environment) {
    auto* line = new QWidget;
    auto* layout = new QHBoxLayout(line);
    layout->setContentsMargins(0, 4, 0, 4);
    auto* titles = new QVBoxLayout;
    titles->setSpacing(2);
    titles->addWidget(SettingsStyle::label(text(row.title), 13, QFont::DemiBold));
    titles->addWidget(SettingsStyle::label(text(row.subtitle), 11, 0, true));
    layout->addLayout(titles);
    layout->addStretch();
    auto* recorder = new hotkeys::RecorderCocoa(row.name, environment.recorder);
    recorder->setFixedSize(kRecorderWidth, hotkeys::RecorderCocoa::kHeight);
    new ShortcutRecorderBridge(recorder, environment.notifications, environment.mainQueue);
    recorders_.push_back(recorder);
    layout->addWidget(recorder);
    return line;
}

QWidget* ShortcutSettingsView::makeFooter() {
    auto* footer = new QWidget;
    auto* column = new QVBoxLayout(footer);
    column->setContentsMargins(0, 0, 0, 12);
    column->addWidget(separatorLine());
    auto* line = new QHBoxLayout;
    line->setSpacing(6);
    line->addStretch();
    auto* icon = new QLabel;
    icon->setPixmap(
        SymbolIcons::icon("info.circle.fill", icon->palette().color(QPalette::PlaceholderText), 14).pixmap(14, 14));
    line->addWidget(icon);
    auto* hint = SettingsStyle::label(text(kFooter), 11, 0, true);
    hint->setWordWrap(true);
    line->addWidget(hint, 1);
    line->addStretch();
    column->addSpacing(12);
    column->addLayout(line);
    return footer;
}

}  // namespace tessivar
