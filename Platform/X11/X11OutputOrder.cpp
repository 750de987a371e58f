#include "Platform/X11/X11OutputOrder.h"

#include <X11/Xlib.h>
#include <X11/extensions/Xrandr.h>

#include <algorithm>
#include <memory>

namespace platform {
namespace {

struct ResourcesFree {
    void operator()(XRRScreenResources* resources) const { XRRFreeScreenResources(resources); }
};
struct OutputInfoFree {
    void operator()(XRROutputInfo* info) const { XRRFreeOutputInfo(info); }
};

bool hasRandR(Display* display) {
    int eventBase = 0;
    int errorBase = 0;
    return XRRQueryExtension(display, &eventBase, &errorBase) != 0;
}

}  // namespace

X11OutputOrder::X11OutputOrder(const char* displayName) : display_(displayName, hasRandR) {}

std::vector<std::string> X11OutputOrder::connectorNames() {
    Display* display = display_.get();
    if (!display) return {};
    const Window root = DefaultRootWindow(display);
    std::unique_ptr<XRRScreenResources, ResourcesFree> resources(XRRGetScreenResourcesCurrent(display, root));
    if (!resources) return {};
    const RROutput primary = XRRGetOutputPrimary(display, root);
    std::vector<std::string> names;
    for (int i = 0; i < resources->noutput; ++i) {
        const RROutput output = resources->outputs[i];
        std::unique_ptr<XRROutputInfo, OutputInfoFree> info(XRRGetOutputInfo(display, resources.get(), output));
        if (!info || info->crtc == None) continue;
        std::string name(info->name, static_cast<std::size_t>(info->nameLen));
        if (output == primary) {
            names.insert(names.begin(), std::move(name));
        } else {
            names.push_back(std::move(name));
        }
    }
    return names;
}

}  // namespace platform
