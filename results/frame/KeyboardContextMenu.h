#pragma once
// Shift+F10 and the Menu key open a tree's context menu the way a right-click does, so that its
// commands can be reached without a mouse.

#include <QPoint>
#include <functional>

class QTreeWidget;
class QTreeWidgetItem;

// Runs `open` when Shift+F10 or the Menu key is pressed in `tree`, or the platform asks for a
// context menu from the keyboard.
void OpenContextMenuFromKeyboard(QTreeWidget* tree, std::function<void()> open);

// The point of `node` in the tree's viewport where its menu opens from the keyboard; the node is
// scrolled into view first.
QPoint NodeMenuPoint(QTreeWidget* tree, QTreeWidgetItem* node);
