#pragma once

// Qt calls the key with the window logo "Meta" when it shows a shortcut
// ("Meta+Q"); Linux desktops, and this program's help, call it Super.
namespace hotkeys::SuperKeyName {

// Makes the running application's shortcut texts say "Super"; once is enough,
// later calls do nothing. Needs the application object.
void install();

}  // namespace hotkeys::SuperKeyName
