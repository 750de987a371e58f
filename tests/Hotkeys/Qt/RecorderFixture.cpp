#include "RecorderFixture.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QMessageBox>
#include <QTest>
#include <QVBoxLayout>

namespace hotkeys::testing {

RecorderFixture::RecorderFixture() {
    registry.onKeyDown(name, [this] { ++hotKeyPresses; });
    statusObserver = notifications.addObserver(
        kRecorderActiveStatusDidChange, nullptr, [this](const platform::Notification& notification) {
            activeStatuses.push_back(notification.userInfo["isActive"].get<bool>());
        });
    auto* column = new QVBoxLayout(&window);
    nextField = new QLineEdit;
    recorder = new RecorderCocoa(name, environment(),
                                 [this](const std::optional<Shortcut>& shortcut) { changes.push_back(shortcut); });
    column->addWidget(nextField);
    column->addWidget(recorder);
    QWidget::setTabOrder(recorder, nextField);
    window.show();
    window.activateWindow();
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    nextField->setFocus();
    activeStatuses.clear();
}

RecorderFixture::~RecorderFixture() {
    // Alerts are deleted when closed; close any a test left open.
    for (auto* box : window.findChildren<QMessageBox*>()) box->reject();
}

void RecorderFixture::press(QWidget* target, int qtKey, std::optional<std::int64_t> carbon,
                            std::uint32_t nativeModifiers) {
    const quint32 scanCode = carbon ? static_cast<quint32>(*carbon) + Native::kKeyCodeOffset : 0;
    QKeyEvent event(QEvent::KeyPress, qtKey, Qt::NoModifier, scanCode, 0, nativeModifiers);
    QApplication::sendEvent(target, &event);
}

void RecorderFixture::clickRecorder() { QTest::mouseClick(recorder, Qt::LeftButton, {}, QPoint(20, 12)); }

QMessageBox* RecorderFixture::alert() const {
    QMessageBox* found = nullptr;
    const bool shown = QTest::qWaitFor(
        [&] {
            for (auto* box : window.findChildren<QMessageBox*>()) {
                if (box->isVisible()) found = box;
            }
            return found != nullptr;
        },
        2000);
    return shown ? found : nullptr;
}

void RecorderFixture::answer(QMessageBox* box, const char* buttonText) {
    for (auto* button : box->buttons()) {
        if (button->text() == QString::fromUtf8(buttonText)) return button->click();
    }
    ADD_FAILURE() << "no button " << buttonText;
}

}  // namespace hotkeys::testing
