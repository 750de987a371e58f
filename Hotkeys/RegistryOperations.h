#pragma once

// The operations of the shortcut package, listed once: hotkeys::Registry
// declares them as members and Hotkeys.h as the free functions that forward to
// the installed registry. An entry is
//   X(result, function, (parameters), (arguments as forwarded), qualifier of the member)
// Main thread only.
#define TESSIVAR_HOTKEYS_OPERATIONS(X)                                                                               \
    /* Storage: the record "Hotkeys_" + name in the user defaults. Every writer keeps the hot keys in step */        \
    /* before it posts the change. */                                                                                \
    X(std::optional<Shortcut>, getShortcut, (const Name& name), (name), )                                            \
    X(std::optional<Shortcut>, loadShortcut, (const Name& name), (name), )                                           \
    X(void, setShortcut, (const std::optional<Shortcut>& shortcut, const Name& name), (shortcut, name), )            \
    X(void, saveShortcut, (const Shortcut& shortcut, const Name& name), (shortcut, name), )                          \
    X(void, reset, (const std::vector<Name>& names), (names), )                                                      \
    X(void, resetAll, (), (), )                                                                                      \
    X(bool, hasStoredValue, (const Name& name), (name), const)                                                       \
    X(std::set<std::string>, storedNames, (), (), const)                                                             \
    X(void, postShortcutByNameDidChange, (const Name& name), (name), )                                               \
    /* Handlers and registration. */                                                                                 \
    X(void, onKeyDown, (const Name& name, std::function<void()> action), (name, std::move(action)), )                \
    X(void, onKeyUp, (const Name& name, std::function<void()> action), (name, std::move(action)), )                  \
    X(void, removeHandler, (const Name& name), (name), )                                                             \
    X(void, removeAllHandlers, (), (), )                                                                             \
    X(void, enable, (const std::vector<Name>& names), (names), )                                                     \
    X(void, disable, (const std::vector<Name>& names), (names), )                                                    \
    X(bool, isEnabled, (const Name& name), (name), )                                                                 \
    /* The shortcuts the hot-key service accepted and that are not unregistered yet (grabbed, or suspended */        \
    /* while a menu is open, disabled or paused). */                                                                 \
    X(std::vector<Shortcut>, registeredShortcuts, (), (), const)                                                     \
    X(bool, isEnabled, (), (), const)                                                                                \
    X(void, setEnabled, (bool enabled), (enabled), )                                                                 \
    /* While a recorder records, no handler runs and the hot keys are released so that the recorder's own */         \
    /* window receives the keys. Only the owner that paused can resume; pausing again while paused answers */        \
    /* false. */                                                                                                     \
    X(bool, pause, (const void* owner), (owner), )                                                                   \
    X(void, resume, (const void* owner), (owner), )                                                                  \
    X(bool, isPaused, (), (), const)                                                                                 \
    X(bool, isMenuOpen, (), (), const)                                                                               \
    /* Event streams: the subscription lives while the returned token does; the typed form is told only of */        \
    /* events of that type. */                                                                                       \
    X(EventStream, events, (const Name& name, std::function<void(EventType)> onEvent), (name, std::move(onEvent)), ) \
    X(EventStream, events, (EventType type, const Name& name, std::function<void(EventType)> onEvent),               \
      (type, name, std::move(onEvent)), )                                                                            \
    /* The callbacks every hot-key registration carries. */                                                          \
    X(void, handleKeyDown, (const Shortcut& shortcut), (shortcut), )                                                 \
    X(void, handleKeyUp, (const Shortcut& shortcut), (shortcut), )                                                   \
    /* Starts following the menus; names run it when they are made. */                                               \
    X(void, initializeOnce, (), (), )
