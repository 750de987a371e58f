#include "Tessivar/Effects/EffectFrameCache.h"

#include <algorithm>

namespace tessivar {

namespace {
// The pointer's pictures met in one session are few (arrow, hand, text beam);
// a frame is a few kilobytes.
constexpr std::size_t kLooksKept = 6;
}  // namespace

EffectFrameCache::Entry& EffectFrameCache::entryFor(const Look& look, std::size_t count) {
    const auto found = std::find_if(entries_.begin(), entries_.end(), [&](const Entry& e) { return e.look == look; });
    if (found != entries_.end()) {
        entries_.splice(entries_.begin(), entries_, found);
    } else {
        entries_.push_front(Entry{look, std::vector<std::optional<EffectFrame>>(count)});
        if (entries_.size() > kLooksKept) entries_.pop_back();
    }
    return entries_.front();
}

const EffectFrame& EffectFrameCache::frame(const Look& look, std::size_t index, std::size_t count,
                                           const EffectFrame::Draw& draw) {
    auto& frames = entryFor(look, count).frames;
    auto& slot = frames[std::min(index, frames.size() - 1)];
    if (!slot) slot = EffectFrame::render(look.size, look.ratio, look.shaped, draw);
    return *slot;
}

}  // namespace tessivar
