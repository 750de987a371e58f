#pragma once
#include "Platform/HotKeys/NativeKeyTranslator.h"
#include "Platform/X11/X11ModifierMap.h"

#include "Platform/X11/X11LazyDisplay.h"

namespace platform {

// X key codes and modifier states in Carbon terms. Key codes and the modifier
// map belong to the server, so a connection of its own answers for the keys
// any client of that server receives. It is opened at the first key to
// translate, which no step of the launch has.
class X11KeyTranslator : public NativeKeyTranslator {
public:
    // Opens $DISPLAY, or `displayName`; without a server no key translates.
    explicit X11KeyTranslator(const char* displayName = nullptr);

    void refresh() override;
    std::optional<std::uint32_t> carbonKeyCode(std::uint32_t nativeKeyCode) override;
    std::uint32_t carbonModifiers(std::uint32_t nativeModifiers) const override;

private:
    // Read when the connection opens and at each refresh.
    X11ModifierMap modifierMap_;
    X11LazyDisplay display_;
};

}  // namespace platform
