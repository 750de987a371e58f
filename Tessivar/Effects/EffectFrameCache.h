#pragma once
#include <QSize>
#include <cstddef>
#include <list>
#include <optional>
#include <string>
#include <vector>

#include "Tessivar/Effects/EffectFrame.h"

namespace tessivar {

// Frames drawn once and shown again by every later effect that looks the same:
// drawing and shaping a frame costs many times what showing it does, and a
// hot key pressed while an effect plays waits for whatever the frame costs.
// Frames are kept for the few effects shown last.
class EffectFrameCache {
public:
    // Everything a frame's pixels depend on besides its time.
    struct Look {
        std::string effect;  // the effect and what it draws ("scale 7", the pointer's picture)
        QSize size;
        double ratio = 1;
        bool shaped = false;
        friend bool operator==(const Look&, const Look&) = default;
    };

    // Frame `index` of an effect that has `count` frames, drawn by `draw` when not kept.
    const EffectFrame& frame(const Look& look, std::size_t index, std::size_t count, const EffectFrame::Draw& draw);

private:
    struct Entry {
        Look look;
        std::vector<std::optional<EffectFrame>> frames;
    };

    Entry& entryFor(const Look& look, std::size_t count);

    std::list<Entry> entries_;  // the one used last first
};

}  // namespace tessivar
