#include "Tessivar/Settings/Private/SettingsView.h"

#include <QBoxLayout>
#include <QListWidget>
#include <QSignalBlocker>
#include <QStyle>
#include <QToolButton>

#include "Tessivar/Settings/Private/AboutSettingsView.h"
#include "Tessivar/Settings/Private/GeneralSettingsView.h"
#include "Tessivar/Settings/Private/LockedSplitter.h"
#include "Tessivar/Settings/Private/SettingsStyle.h"
#include "Tessivar/Settings/Private/ShortcutSettingsView.h"
#include "Tessivar/StatusMenu/SymbolIcons.h"

namespace tessivar {

namespace {
// The desktop theme's icon for a symbol, or Qt's own where the theme has none.
QIcon symbolIcon(const char* symbol, QStyle::StandardPixmap fallback, const QStyle* style) {
    const QIcon themed = SymbolIcons::icon(symbol, style->standardPalette().color(QPalette::Text));
    return themed.isNull() ? style->standardIcon(fallback) : themed;
}
}  // namespace

SettingsView::SettingsView(SettingsEnvironment environment, QWidget* parent)
    : QWidget(parent), environment_(std::move(environment)) {
    setFixedSize(kWidth, kHeight);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    splitter_ = new LockedSplitter(this);
    splitter_->addWidget(makeSidebar());
    splitter_->addWidget(makeDetail());
    splitter_->setStretchFactor(1, 1);
    splitter_->setSizes({kSidebarWidth, kWidth - kSidebarWidth});
    layout->addWidget(splitter_);
    selectShortcutsObserver_ = environment_.notifications.addObserver(
        kSelectShortcutsPane, &environment_.mainQueue, [self = QPointer(this)](const platform::Notification&) {
            if (self) self->navigate(SettingsPane::shortcuts);
        });
    render();
}

QWidget* SettingsView::makeSidebar() {
    sidebar_ = new QListWidget;
    sidebar_->setFixedWidth(kSidebarWidth);
    sidebar_->setSelectionMode(QAbstractItemView::SingleSelection);
    sidebar_->setFrameShape(QFrame::NoFrame);
    sidebar_->setSpacing(2);
    sidebar_->setIconSize(QSize(16, 16));
    const QColor symbolColor = sidebar_->palette().color(QPalette::Text);
    for (const SettingsPane pane : kAllSettingsPanes) {
        sidebar_->addItem(new QListWidgetItem(SymbolIcons::icon(std::string(symbolName(pane)), symbolColor),
                                              SettingsStyle::text(title(pane))));
    }
    // A choice navigates; a cleared selection (Ctrl-click) is put back.
    connect(sidebar_, &QListWidget::itemSelectionChanged, this, [this] {
        const auto selected = sidebar_->selectedItems();
        if (!selected.isEmpty())
            return navigate(kAllSettingsPanes[static_cast<std::size_t>(sidebar_->row(selected[0]))]);
        render();
    });
    return sidebar_;
}

QWidget* SettingsView::makeDetail() {
    auto* detail = new QWidget;
    detailLayout_ = new QVBoxLayout(detail);
    detailLayout_->setContentsMargins(0, 0, 0, 0);
    detailLayout_->setSpacing(0);
    auto* toolbar = new QHBoxLayout;
    toolbar->setContentsMargins(6, 4, 6, 4);
    back_ = new QToolButton;
    back_->setIcon(symbolIcon("chevron.backward", QStyle::SP_ArrowBack, style()));
    forward_ = new QToolButton;
    forward_->setIcon(symbolIcon("chevron.forward", QStyle::SP_ArrowForward, style()));
    for (QToolButton* button : {back_, forward_}) {
        // Toolbar buttons, clicked and not tabbed to, as in a browser.
        button->setFocusPolicy(Qt::NoFocus);
        button->setAutoRaise(true);
        toolbar->addWidget(button);
    }
    toolbar->addStretch();
    detailLayout_->addLayout(toolbar);
    connect(back_, &QToolButton::clicked, this, [this] {
        history_.goBack();
        render();
    });
    connect(forward_, &QToolButton::clicked, this, [this] {
        history_.goForward();
        render();
    });
    return detail;
}

QWidget* SettingsView::makePane(SettingsPane pane) {
    switch (pane) {
    case SettingsPane::shortcuts: return new ShortcutSettingsView(environment_);
    case SettingsPane::about: return new AboutSettingsView(environment_.bundle);
    case SettingsPane::general: break;
    }
    return new GeneralSettingsView(environment_.defaults, environment_.loginItem);
}

void SettingsView::navigate(SettingsPane pane) {
    history_.navigate(pane);
    render();
}

void SettingsView::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    history_.handleAppear(environment_.defaults);
    render();
}

// A pane is made anew each time it is chosen, so it reads the displays and
// the settings as they are then.
void SettingsView::render() {
    const SettingsPane selected = history_.selectedPane();
    {
        const QSignalBlocker blocker(sidebar_);
        sidebar_->setCurrentRow(static_cast<int>(selected));
    }
    back_->setEnabled(history_.canGoBack());
    forward_->setEnabled(history_.canGoForward());
    if (shownPane_ == selected) return;
    if (pane_) {
        // Hidden at once (a recorder on it stops recording); it may be the
        // sender of what led here, so it goes later.
        pane_->hide();
        detailLayout_->removeWidget(pane_);
        pane_->deleteLater();
    }
    pane_ = makePane(selected);
    detailLayout_->addWidget(pane_, 1);
    shownPane_ = selected;
}

}  // namespace tessivar
