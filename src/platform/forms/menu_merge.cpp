#include "platform/forms/menu_merge.h"

#include <QMenu>
#include <QMenuBar>

#include <algorithm>

namespace forms {

MenuItems mergeMenus(const MenuItems& frameItems, const MenuItems& childItems)
{
    MenuItems merged;
    for (const MenuItem& item : frameItems) {
        const bool replaced = std::any_of(childItems.begin(), childItems.end(),
                                          [&](const MenuItem& child) { return child.group == item.group; });
        if (!replaced)
            merged.append(item);
    }
    // Inserted before the first frame item of a higher group, so equal groups keep side by side.
    for (const MenuItem& item : childItems) {
        auto at = std::find_if(merged.begin(), merged.end(), [&](const MenuItem& m) { return m.group > item.group; });
        merged.insert(at, item);
    }
    return merged;
}

MenuMerger::MenuMerger(QMenuBar* bar, MenuItems frameItems) : bar_(bar), frameItems_(std::move(frameItems))
{
    merge({});
}

void MenuMerger::merge(const MenuItems& childItems)
{
    MenuItems wanted = mergeMenus(frameItems_, childItems);
    wanted.removeIf([](const MenuItem& item) { return item.menu == nullptr; });
    // Only the menus' own actions are taken off: the menus stay with their owners.
    for (QAction* action : bar_->actions())
        bar_->removeAction(action);
    for (const MenuItem& item : wanted)
        bar_->addAction(item.menu->menuAction());
    shown_ = wanted;
}

} // namespace forms
