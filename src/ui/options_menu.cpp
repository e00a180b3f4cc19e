#include "ui/options_menu.h"

#include "platform/font.h"
#include "ui/menu_window.h"

bool runOptionsMenu(PopupContext& context, const JukeboxHooks& jukebox,
                    const FontNameSource& fontNames)
{
    if (context.settings.AllowMenu == 0) {
        return false;
    }
    // The list lives only while the menu is open: fonts installed meanwhile show up next time.
    std::vector<std::string> names = fontNames ? fontNames() : installedScalableFontNames();
    sortFontNames(names);
    Menu menu = buildOptionsMenu(context.settings, names, jukebox);
    if (showMenuWindow(context, menu)) {
        applyOptionsMenu(menu, context.settings, jukebox);
    }
    return true;
}
