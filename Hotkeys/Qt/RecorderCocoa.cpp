#include "Hotkeys/Qt/RecorderCocoa.h"

#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QStyle>
#include <QStyleOptionFrame>
#include <QToolButton>

#include "Hotkeys/Hotkeys.h"
#include "Hotkeys/Qt/Private/LocalEventMonitor.h"
#include "Hotkeys/Qt/Private/RecorderStrings.h"
#include "Hotkeys/Sandbox.h"
#include "Hotkeys/SystemShortcuts.h"
#include "Platform/HotKeys/NativeKeyTranslator.h"

namespace hotkeys {

namespace {

// A release this close outside the field still belongs to it.
constexpr int kMouseSlop = 3;
constexpr int kTextMargin = 6;

bool isModifierKey(int key) {
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Meta:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_CapsLock:
    case Qt::Key_NumLock:
    case Qt::Key_ScrollLock:
    case Qt::Key_Super_L:
    case Qt::Key_Super_R:
    case Qt::Key_Hyper_L:
    case Qt::Key_Hyper_R:
    case Qt::Key_Mode_switch: return true;
    default: return false;
    }
}

RecorderEvent::Key keyKind(int key) {
    if (key >= Qt::Key_F1 && key <= Qt::Key_F35) return RecorderEvent::Key::functionKey;
    switch (key) {
    case Qt::Key_Tab:
    case Qt::Key_Backtab: return RecorderEvent::Key::tab;
    case Qt::Key_Escape: return RecorderEvent::Key::escape;
    case Qt::Key_Backspace: return RecorderEvent::Key::backspace;
    case Qt::Key_Delete: return RecorderEvent::Key::deleteForward;
    default: return RecorderEvent::Key::other;
    }
}

QString describe(const std::optional<Shortcut>& shortcut) {
    return shortcut ? QString::fromStdString(shortcut->description()) : QString();
}

}  // namespace

RecorderCocoa::RecorderCocoa(Name name, RecorderEnvironment environment, OnChange onChange, QWidget* parent)
    : QWidget(parent),
      name_(std::move(name)),
      environment_(std::move(environment)),
      onChange_(std::move(onChange)),
      placeholder_(recorderString("record_shortcut")) {
    setFocusPolicy(Qt::StrongFocus);
    // Keys are read as keys: an input method would turn them into text first.
    setAttribute(Qt::WA_InputMethodEnabled, false);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    cancelButton_ = new QToolButton(this);
    cancelButton_->setIcon(style()->standardIcon(QStyle::SP_LineEditClearButton));
    cancelButton_->setAutoRaise(true);
    cancelButton_->setFocusPolicy(Qt::NoFocus);
    cancelButton_->setCursor(Qt::ArrowCursor);
    connect(cancelButton_, &QToolButton::clicked, this, [this] { clearShortcut(); });
    showStoredShortcut();
    shortcutsNameChangeObserver_ = environment_.notifications.addObserver(
        kShortcutByNameDidChange, nullptr, [self = QPointer(this)](const platform::Notification& notification) {
            if (!self) return;
            const auto changed = changedName(notification);
            if (changed && changed->rawValue == self->name_.rawValue) self->showStoredShortcut();
        });
}

// Going away while recording must not leave the hot keys paused.
RecorderCocoa::~RecorderCocoa() {
    shortcutsNameChangeObserver_.reset();
    if (isRecording()) blur();
}

void RecorderCocoa::setShortcutName(const Name& name) {
    if (name.rawValue == name_.rawValue) return;
    name_ = name;
    showStoredShortcut();
}

void RecorderCocoa::setStringValue(const QString& text) {
    text_ = text;
    update();
}

bool RecorderCocoa::showsCancelButton() const { return !cancelButton_->isHidden(); }

QSize RecorderCocoa::sizeHint() const { return {kMinimumWidth, kHeight}; }

QSize RecorderCocoa::minimumSizeHint() const { return sizeHint(); }

void RecorderCocoa::showStoredShortcut() { showText(describe(loadShortcut(name_))); }

// The clear button is there exactly when a shortcut is shown. Only a change of
// the shortcut moves it: the text may be a host's prompt standing in its
// place, which is no shortcut to clear.
void RecorderCocoa::showText(const QString& text) {
    text_ = text;
    cancelButton_->setVisible(!text.isEmpty());
    update();
}

void RecorderCocoa::postActiveStatus(bool active) {
    environment_.notifications.post(kRecorderActiveStatusDidChange, {{"isActive", active}});
}

void RecorderCocoa::startRecording() {
    if (isRecording()) return;
    placeholder_ = recorderString("press_shortcut");
    update();
    pause(this);
    // Every combination comes here while recording, also one another program
    // holds (its passive grab never fires while ours is active): the conflict
    // check decides about it, instead of the other program taking the key.
    grabKeyboard();
    postActiveStatus(true);
    monitor_ = std::make_unique<LocalEventMonitor>(
        [this](QObject* receiver, QEvent* event) { return handleMonitoredEvent(receiver, event); });
    monitor_->start();
}

// Ends recording, or (idle) just says so. Only the recorder that paused the hot
// keys resumes them, so an idle one cannot cut another's recording short.
void RecorderCocoa::blur() {
    if (monitor_) {
        // It may be running this very call; it stops now and goes later.
        monitor_->stop();
        monitor_.release()->deleteLater();
    }
    releaseKeyboard();
    placeholder_ = recorderString("record_shortcut");
    update();
    resume(this);
    postActiveStatus(false);
}

bool RecorderCocoa::event(QEvent* event) {
    // While recording, a combination is ours to record, not an action's shortcut.
    if (event->type() == QEvent::ShortcutOverride && isRecording()) {
        event->accept();
        return true;
    }
    return QWidget::event(event);
}

// A press in the field is the field's (the click gave it focus, which starts
// recording): it must not go on to the window, which would take it as the
// start of a move.
void RecorderCocoa::mousePressEvent(QMouseEvent* event) { event->accept(); }

void RecorderCocoa::focusInEvent(QFocusEvent* event) {
    QWidget::focusInEvent(event);
    const bool windowsOwnChoice =
        event->reason() == Qt::ActiveWindowFocusReason || event->reason() == Qt::PopupFocusReason;
    // A window coming forward hands focus to its first field by itself; the
    // user did not ask to record then.
    if (windowsOwnChoice && !focusRequested_) {
        clearFocus();
        return;
    }
    focusRequested_ = false;
    startRecording();
}

void RecorderCocoa::focusOutEvent(QFocusEvent* event) {
    QWidget::focusOutEvent(event);
    if (isRecording()) blur();
}

void RecorderCocoa::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    observeWindow();
}

void RecorderCocoa::hideEvent(QHideEvent* event) {
    QWidget::hideEvent(event);
    if (isRecording()) blur();
}

void RecorderCocoa::observeWindow() {
    QWidget* current = window();
    if (observedWindow_ == current) return;
    if (observedWindow_) observedWindow_->removeEventFilter(this);
    observedWindow_ = current;
    current->installEventFilter(this);
}

// The window going to the background ends recording and gives up focus, so
// that coming back does not record by itself.
bool RecorderCocoa::eventFilter(QObject* watched, QEvent* event) {
    if (watched == observedWindow_ && event->type() == QEvent::WindowDeactivate) {
        blur();
        if (window()->focusWidget() == this) clearFocus();
    }
    return QWidget::eventFilter(watched, event);
}

void RecorderCocoa::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    QStyleOptionFrame panel;
    panel.initFrom(this);
    panel.rect = rect();
    panel.lineWidth = style()->pixelMetric(QStyle::PM_DefaultFrameWidth, &panel, this);
    panel.state |= QStyle::State_Sunken;
    style()->drawPrimitive(QStyle::PE_PanelLineEdit, &panel, &painter, this);
    // Margins alike on both sides keep the text centred on the field.
    const int side = showsCancelButton() ? cancelButton_->width() + 2 : kTextMargin;
    const QRect textArea = rect().adjusted(side, 0, -side, 0);
    const bool empty = text_.isEmpty();
    painter.setPen(palette().color(empty ? QPalette::PlaceholderText : QPalette::Text));
    painter.drawText(textArea, Qt::AlignCenter, empty ? placeholder_ : text_);
}

void RecorderCocoa::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int side = height() - 4;
    cancelButton_->setGeometry(width() - side - 2, 2, side, side);
}

bool RecorderCocoa::handleMonitoredEvent(QObject* receiver, QEvent* event) {
    // The clear button takes its own clicks, recording or not.
    if (receiver == cancelButton_) return false;
    const RecorderEvent seen = recorderEvent(event);
    const RecorderDecision decision = decideRecorderEvent(seen, showsCancelButton(), lookups());
    // Tab moves focus on by itself, and that ends recording.
    if (decision.action == RecorderAction::endAndPass && seen.kind == RecorderEvent::Kind::keyDown) return false;
    perform(decision);
    return decision.action != RecorderAction::endAndPass;
}

RecorderEvent RecorderCocoa::recorderEvent(QEvent* event) const {
    if (event->type() == QEvent::KeyPress) return keyDown(*static_cast<QKeyEvent*>(event));
    RecorderEvent seen;
    seen.kind = RecorderEvent::Kind::mouseUp;
    const QPointF at = mapFromGlobal(static_cast<QMouseEvent*>(event)->globalPosition());
    seen.insideControl = QRectF(rect()).adjusted(-kMouseSlop, -kMouseSlop, kMouseSlop, kMouseSlop).contains(at);
    return seen;
}

// Modifier keys going down are no key of a shortcut: they are watched as
// flags. The keymap is read again for every key, so a layout or modifier map
// switched while recording counts at once.
RecorderEvent RecorderCocoa::keyDown(const QKeyEvent& key) const {
    RecorderEvent seen;
    if (isModifierKey(key.key())) return seen;
    seen.kind = RecorderEvent::Kind::keyDown;
    seen.key = keyKind(key.key());
    environment_.keys.refresh();
    seen.modifierFlags = ModifierFlags::fromCarbon(environment_.keys.carbonModifiers(key.nativeModifiers())).rawValue;
    if (const auto code = environment_.keys.carbonKeyCode(key.nativeScanCode())) seen.carbonKeyCode = *code;
    return seen;
}

RecorderLookups RecorderCocoa::lookups() const {
    RecorderLookups lookups;
    lookups.menuItemTitle = [this](const Shortcut& shortcut) -> std::optional<std::string> {
        if (!environment_.menu) return std::nullopt;
        const auto menu = environment_.menu();
        const MenuItem* item = matchingMenuItem(shortcut, menu);
        if (!item) return std::nullopt;
        return item->title;
    };
    lookups.isTakenBySystem = [this](const Shortcut& shortcut) {
        return environment_.systemShortcuts && environment_.systemShortcuts->isTaken(shortcut);
    };
    // No release of this desktop is one the sandbox rule is about, so it refuses nothing here.
    lookups.isDisallowed = [](const Shortcut& shortcut) {
        return isDisallowedInSandbox(shortcut, std::nullopt, isSandboxed());
    };
    return lookups;
}

void RecorderCocoa::perform(const RecorderDecision& decision) {
    switch (decision.action) {
    case RecorderAction::endAndPass:
    case RecorderAction::endAndSwallow: return giveUpFocus();
    case RecorderAction::clearShortcut: return clearShortcut();
    case RecorderAction::swallow: return;
    case RecorderAction::beep: return QApplication::beep();
    case RecorderAction::alertMenuConflict:
        giveUpFocus();
        return showAlert(
            recorderString("keyboard_shortcut_used_by_menu_item").arg(QString::fromStdString(decision.menuItemTitle)),
            {}, false, [this](bool) { takeFocus(); });
    case RecorderAction::alertDisallowed:
        giveUpFocus();
        return showAlert(recorderString("keyboard_shortcut_disallowed"), {}, false, [this](bool) { takeFocus(); });
    case RecorderAction::confirmSystemConflict:
        giveUpFocus();
        return showAlert(recorderString("keyboard_shortcut_used_by_system"),
                         recorderString("keyboard_shortcuts_can_be_changed"), true,
                         [this, shortcut = *decision.shortcut](bool forced) {
                             takeFocus();
                             if (forced) store(shortcut);
                         });
    case RecorderAction::store: return store(*decision.shortcut);
    }
}

void RecorderCocoa::giveUpFocus() {
    if (window()->focusWidget() == this) clearFocus();
    if (isRecording()) blur();
}

void RecorderCocoa::takeFocus() {
    focusRequested_ = true;
    setFocus(Qt::OtherFocusReason);
    if (hasFocus()) focusRequested_ = false;
}

// What the clear button does, and a deletion key while a shortcut is shown:
// the shortcut goes and recording starts (or goes on) for a new one.
void RecorderCocoa::clearShortcut() {
    showText({});
    setShortcut(std::nullopt, name_);
    if (onChange_) onChange_(std::nullopt);
    takeFocus();
}

void RecorderCocoa::store(const Shortcut& shortcut) {
    showText(QString::fromStdString(shortcut.description()));
    saveShortcut(shortcut, name_);
    if (onChange_) onChange_(shortcut);
    giveUpFocus();
}

// Alerts are sheets of the window: the window waits, the rest of the
// application goes on, and `done` runs when the user answers (not at all if
// the recorder is gone by then).
void RecorderCocoa::showAlert(const QString& text, const QString& informative, bool offerForce,
                              std::function<void(bool forced)> done) {
    auto* box = new QMessageBox(window());
    box->setIcon(QMessageBox::NoIcon);
    if (!environment_.alertTitle.empty()) box->setWindowTitle(QString::fromStdString(environment_.alertTitle));
    box->setText(text);
    box->setInformativeText(informative);
    QPushButton* ok = box->addButton(recorderString("ok"), QMessageBox::AcceptRole);
    QAbstractButton* force =
        offerForce ? box->addButton(recorderString("force_use_shortcut"), QMessageBox::DestructiveRole) : nullptr;
    box->setDefaultButton(ok);
    box->setWindowModality(Qt::WindowModal);
    box->setAttribute(Qt::WA_DeleteOnClose);
    connect(box, &QMessageBox::finished, this,
            [box, force, done = std::move(done)] { done(force != nullptr && box->clickedButton() == force); });
    box->open();
}

}  // namespace hotkeys
