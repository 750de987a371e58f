#include "tests/support/X11WindowTree.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/shape.h>

namespace tessivar::testing {
namespace {

// Windows may be destroyed between listing and asking; the reads of such a
// window fail with BadWindow, which would otherwise end the test process.
int ignoreError(Display*, XErrorEvent*) { return 0; }

struct IgnoredErrors {
    Display* display;
    XErrorHandler previous;
    explicit IgnoredErrors(Display* d) : display(d), previous(XSetErrorHandler(&ignoreError)) {}
    ~IgnoredErrors() {
        XSync(display, False);
        XSetErrorHandler(previous);
    }
};

std::string className(Display* display, Window window) {
    XClassHint hint{};
    if (!XGetClassHint(display, window, &hint)) return {};
    std::string result = hint.res_class ? hint.res_class : "";
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
    return result;
}

// Whether the window's bounding shape is less than its whole rectangle.
bool isShaped(Display* display, Window window, int width, int height) {
    int count = 0;
    int ordering = 0;
    XRectangle* rectangles = XShapeGetRectangles(display, window, ShapeBounding, &count, &ordering);
    const bool whole = count == 1 && rectangles[0].x <= 0 && rectangles[0].y <= 0 &&
                       rectangles[0].x + rectangles[0].width >= width &&
                       rectangles[0].y + rectangles[0].height >= height;
    if (rectangles) XFree(rectangles);
    return !whole;
}

}  // namespace

X11WindowTree::X11WindowTree(const std::string& displayName) : display_(XOpenDisplay(displayName.c_str())) {}

X11WindowTree::~X11WindowTree() {
    if (display_) XCloseDisplay(display_);
}

std::vector<WindowFacts> X11WindowTree::windows() const {
    std::vector<WindowFacts> result;
    if (!display_) return result;
    const IgnoredErrors ignored(display_);
    collect(DefaultRootWindow(display_), {}, result);
    return result;
}

void X11WindowTree::collect(unsigned long window, const std::string& topLevelClass,
                            std::vector<WindowFacts>& into) const {
    Window root = 0;
    Window parent = 0;
    Window* children = nullptr;
    unsigned int count = 0;
    if (!XQueryTree(display_, window, &root, &parent, &children, &count)) return;
    const bool isRoot = window == root;
    for (unsigned int i = 0; i < count; ++i) {
        auto child = facts(children[i]);
        if (child.id == 0) continue;
        child.topLevel = isRoot;
        child.topLevelClassName = isRoot ? child.className : topLevelClass;
        const std::string holder = child.topLevelClassName;
        into.push_back(std::move(child));
        collect(children[i], holder, into);
    }
    if (children) XFree(children);
}

WindowFacts X11WindowTree::facts(unsigned long window) const {
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display_, window, &attributes)) return {};
    WindowFacts result;
    result.id = window;
    result.className = className(display_, window);
    result.viewable = attributes.map_state == IsViewable;
    result.overrideRedirect = attributes.override_redirect;
    Window ignored = 0;
    XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &result.x, &result.y, &ignored);
    result.width = attributes.width;
    result.height = attributes.height;
    result.depth = attributes.depth;
    result.shaped = isShaped(display_, window, attributes.width, attributes.height);
    return result;
}

}  // namespace tessivar::testing
