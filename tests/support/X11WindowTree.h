#pragma once
#include <string>
#include <vector>

struct _XDisplay;

namespace tessivar::testing {

// One window of a test X server as another client sees it.
struct WindowFacts {
    unsigned long id = 0;
    std::string className;          // WM_CLASS class, empty when unset
    std::string topLevelClassName;  // of the root's child that holds it
    bool topLevel = false;          // a child of the root
    bool viewable = false;          // mapped, and every ancestor mapped
    bool overrideRedirect = false;
    int x = 0;  // root coordinates
    int y = 0;
    int width = 0;
    int height = 0;
    int depth = 0;
    bool shaped = false;  // its bounding shape leaves part of its rectangle out
};

// Reads a test X server's window tree over a connection of its own.
class X11WindowTree {
public:
    explicit X11WindowTree(const std::string& displayName);
    ~X11WindowTree();
    X11WindowTree(const X11WindowTree&) = delete;
    X11WindowTree& operator=(const X11WindowTree&) = delete;

    bool isConnected() const { return display_ != nullptr; }
    // Every window below the root, depth first. Windows that go away while
    // the tree is read are left out.
    std::vector<WindowFacts> windows() const;

private:
    void collect(unsigned long window, const std::string& topLevelClass, std::vector<WindowFacts>& into) const;
    WindowFacts facts(unsigned long window) const;

    _XDisplay* display_ = nullptr;
};

}  // namespace tessivar::testing
