#pragma once
#include <QIcon>
#include <string>

namespace tessivar {

// The icons behind the menu's symbol names: the desktop theme's icon of the
// same meaning (freedesktop naming), or none when the theme lacks it. The status
// item's own symbol is drawn here, so the tray always has an icon.
namespace SymbolIcons {

QIcon icon(const std::string& symbolName);
QIcon statusItemIcon();

}  // namespace SymbolIcons
}  // namespace tessivar
