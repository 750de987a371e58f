#include "tests/support/X11ScreenProbe.h"

#include <cstring>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/Xfixes.h>

#include <memory>
#include <string>

namespace tessivar::testing {
namespace {

constexpr int kBackgroundTile = 8;

struct ImageDestroy {
    void operator()(XImage* image) const { XDestroyImage(image); }
};

XColor xColour(std::uint32_t rgb) {
    XColor colour{};
    colour.red = static_cast<unsigned short>(((rgb >> 16) & 0xff) * 257);
    colour.green = static_cast<unsigned short>(((rgb >> 8) & 0xff) * 257);
    colour.blue = static_cast<unsigned short>((rgb & 0xff) * 257);
    colour.flags = DoRed | DoGreen | DoBlue;
    return colour;
}

// A depth-1 pixmap with every bit set: the pointer's shape and mask.
Pixmap solidBitmap(Display* display, Window root, int width, int height) {
    const Pixmap bitmap = XCreatePixmap(display, root, static_cast<unsigned>(width), static_cast<unsigned>(height), 1);
    GC gc = XCreateGC(display, bitmap, 0, nullptr);
    XSetForeground(display, gc, 1);
    XFillRectangle(display, bitmap, gc, 0, 0, static_cast<unsigned>(width), static_cast<unsigned>(height));
    XFreeGC(display, gc);
    return bitmap;
}

}  // namespace

X11ScreenProbe::X11ScreenProbe(const std::string& displayName) : display_(XOpenDisplay(displayName.c_str())) {}

X11ScreenProbe::~X11ScreenProbe() {
    if (display_) XCloseDisplay(display_);
}

bool X11ScreenProbe::setRootColour(std::uint32_t rgb) {
    if (!display_) return false;
    const Window root = DefaultRootWindow(display_);
    const int screen = DefaultScreen(display_);
    XColor colour = xColour(rgb);
    if (!XAllocColor(display_, DefaultColormap(display_, screen), &colour)) return false;
    if (background_) XFreePixmap(display_, background_);
    background_ = XCreatePixmap(display_, root, kBackgroundTile, kBackgroundTile,
                                static_cast<unsigned>(DefaultDepth(display_, screen)));
    GC gc = XCreateGC(display_, background_, 0, nullptr);
    XSetForeground(display_, gc, colour.pixel);
    XFillRectangle(display_, background_, gc, 0, 0, kBackgroundTile, kBackgroundTile);
    XFreeGC(display_, gc);
    XSetWindowBackgroundPixmap(display_, root, background_);
    const Atom property = XInternAtom(display_, "_XROOTPMAP_ID", False);
    XChangeProperty(display_, root, property, XA_PIXMAP, 32, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(&background_), 1);
    XClearWindow(display_, root);
    XSync(display_, False);
    return true;
}

bool X11ScreenProbe::setRootCursor(const SolidCursor& cursor) {
    if (!display_) return false;
    const Window root = DefaultRootWindow(display_);
    const Pixmap shape = solidBitmap(display_, root, cursor.width, cursor.height);
    XColor foreground = xColour(cursor.rgb);
    XColor background = xColour(0);
    if (cursor_) XFreeCursor(display_, cursor_);
    cursor_ = XCreatePixmapCursor(display_, shape, shape, &foreground, &background, static_cast<unsigned>(cursor.hotX),
                                  static_cast<unsigned>(cursor.hotY));
    XFreePixmap(display_, shape);
    XDefineCursor(display_, root, cursor_);
    XSync(display_, False);
    return cursor_ != 0;
}

ScreenGrab X11ScreenProbe::grab(int x, int y, int width, int height) const {
    if (!display_) return {};
    // Only a rectangle within the root can be read (another is a BadMatch that
    // ends the test program): a window seen mid-move reads as nothing.
    const int screen = DefaultScreen(display_);
    if (x < 0 || y < 0 || width <= 0 || height <= 0 || x + width > DisplayWidth(display_, screen) ||
        y + height > DisplayHeight(display_, screen))
        return {};
    const std::unique_ptr<XImage, ImageDestroy> image(XGetImage(display_, DefaultRootWindow(display_), x, y,
                                                                static_cast<unsigned>(width),
                                                                static_cast<unsigned>(height), AllPlanes, ZPixmap));
    if (!image) return {};
    ScreenGrab result{x, y, width, height, {}};
    result.pixels.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
    // A 32-bit picture in this machine's byte order is read row by row: one
    // call per pixel made a grab too slow to catch a fade on a busy machine.
    if (image->bits_per_pixel == 32 && image->byte_order == LSBFirst) {
        for (int row = 0; row < height; ++row) {
            const char* line = image->data + static_cast<std::ptrdiff_t>(row) * image->bytes_per_line;
            for (int column = 0; column < width; ++column) {
                std::uint32_t pixel = 0;
                std::memcpy(&pixel, line + static_cast<std::ptrdiff_t>(column) * 4, sizeof pixel);
                result.pixels.push_back(pixel & 0xffffff);
            }
        }
        return result;
    }
    for (int row = 0; row < height; ++row) {
        for (int column = 0; column < width; ++column) {
            result.pixels.push_back(static_cast<std::uint32_t>(XGetPixel(image.get(), column, row) & 0xffffff));
        }
    }
    return result;
}

bool X11ScreenProbe::hasCompositingManager() const {
    if (!display_) return false;
    const std::string name = "_NET_WM_CM_S" + std::to_string(DefaultScreen(display_));
    return XGetSelectionOwner(display_, XInternAtom(display_, name.c_str(), False)) != None;
}

std::optional<std::uint32_t> X11ScreenProbe::cursorHotSpotPixel() const {
    if (!display_) return std::nullopt;
    XFixesCursorImage* image = XFixesGetCursorImage(display_);
    if (!image) return std::nullopt;
    const auto pixel = static_cast<std::uint32_t>(image->pixels[image->yhot * image->width + image->xhot]);
    XFree(image);
    return pixel;
}

}  // namespace tessivar::testing
