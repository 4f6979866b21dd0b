#pragma once
// Menu merging for a multiple-document frame: the active child's top-level menus take the place of
// the frame's menus of the same group; all top-level menus stand in ascending group order.

#include <QList>

class QMenu;
class QMenuBar;

namespace forms {

struct MenuItem {
    QMenu* menu = nullptr;
    int group = 0;
    friend bool operator==(const MenuItem&, const MenuItem&) = default;
};
using MenuItems = QList<MenuItem>;

// The frame's items whose group the child does not use, and all the child's items, in ascending
// group order; within one group each side keeps its own order.
MenuItems mergeMenus(const MenuItems& frameItems, const MenuItems& childItems);

// Keeps a menu bar showing the frame's menus merged with those of the active child.
class MenuMerger {
public:
    MenuMerger(QMenuBar* bar, MenuItems frameItems);

    void merge(const MenuItems& childItems);
    void unmerge() { merge({}); }

    const MenuItems& shown() const { return shown_; }

private:
    QMenuBar* bar_;
    MenuItems frameItems_;
    MenuItems shown_;
};

} // namespace forms
