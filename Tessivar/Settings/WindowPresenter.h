#pragma once

class QWidget;

namespace platform {
class WindowSpaces;
}

namespace tessivar {

// Brings one of the application's windows to the user: on the desktop the
// user is on (or on every desktop), in front, with the keyboard. Showing a
// window that is open on another desktop would otherwise leave it there, or
// take the user away to it.
class WindowPresenter {
public:
    enum class Desktops { current, all };

    // `spaces` outlives the presenter; null where the window system has no desktops.
    explicit WindowPresenter(platform::WindowSpaces* spaces) : spaces_(spaces) {}

    void present(QWidget& window, Desktops desktops) const;

private:
    platform::WindowSpaces* spaces_;
};

}  // namespace tessivar
