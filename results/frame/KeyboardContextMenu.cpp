#include "KeyboardContextMenu.h"

#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QTreeWidget>

namespace {

class ContextMenuKeys : public QObject {
public:
    ContextMenuKeys(QTreeWidget* tree, std::function<void()> open) : QObject(tree), m_open(std::move(open)) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
            if ((key->key() == Qt::Key_Menu && modifiers == Qt::NoModifier) ||
                (key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
                m_open();
                return true;
            }
        } else if (event->type() == QEvent::ContextMenu &&
                   static_cast<QContextMenuEvent*>(event)->reason() == QContextMenuEvent::Keyboard) {
            // Some platforms turn the Menu key into this event as well; the menu opened by the key
            // press has the keyboard by then, so this one comes only where no key press did.
            m_open();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> m_open;
};

} // namespace

void OpenContextMenuFromKeyboard(QTreeWidget* tree, std::function<void()> open)
{
    tree->installEventFilter(new ContextMenuKeys(tree, std::move(open)));
}

QPoint NodeMenuPoint(QTreeWidget* tree, QTreeWidgetItem* node)
{
    if (!node)
        return QPoint(0, 0);
    tree->scrollToItem(node);
    const QRect rect = tree->visualItemRect(node);
    // Beside the start of the node's text, as where a right-click on the node would be.
    return QPoint(rect.left() + qMin(rect.width() / 2, rect.height()), rect.center().y());
}
