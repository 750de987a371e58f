#pragma once
#include "Platform/HotKeys/NativeKeyTranslator.h"
#include "Platform/X11/X11ModifierMap.h"

struct _XDisplay;

namespace platform {

// X key codes and modifier states in Carbon terms. Key codes and the modifier
// map belong to the server, so a connection of its own answers for the keys
// any client of that server receives.
class X11KeyTranslator : public NativeKeyTranslator {
public:
    // Opens $DISPLAY, or `displayName`; without a server no key translates.
    explicit X11KeyTranslator(const char* displayName = nullptr);
    ~X11KeyTranslator() override;
    X11KeyTranslator(const X11KeyTranslator&) = delete;
    X11KeyTranslator& operator=(const X11KeyTranslator&) = delete;

    void refresh() override;
    std::optional<std::uint32_t> carbonKeyCode(std::uint32_t nativeKeyCode) override;
    std::uint32_t carbonModifiers(std::uint32_t nativeModifiers) const override;

private:
    _XDisplay* display_ = nullptr;
    X11ModifierMap modifierMap_;
};

}  // namespace platform
