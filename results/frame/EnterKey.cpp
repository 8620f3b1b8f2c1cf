#include "EnterKey.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QKeyEvent>
#include <QPointer>
#include <QPushButton>

namespace {

class EnterFilter final : public QObject {
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress && event->type() != QEvent::KeyRelease)
            return false;
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() != Qt::Key_Return && key->key() != Qt::Key_Enter)
            return false;
        if (!watched->isWidgetType() || !passesEnterOn(static_cast<QWidget*>(watched)))
            return false;
        // Not accepted: the application hands the key to the parent, as for any control that
        // ignores it, up to the window and its default button.
        event->ignore();
        return true;
    }

private:
    static bool passesEnterOn(const QWidget* widget)
    {
        if (qobject_cast<const QGroupBox*>(widget))
            return true;
        if (const auto* button = qobject_cast<const QPushButton*>(widget))
            return !button->isDefault() && !button->autoDefault();
        return qobject_cast<const QAbstractButton*>(widget) != nullptr;
    }
};

QPointer<EnterFilter> installed;

} // namespace

void EnterGoesToDefaultButton()
{
    if (installed || !qApp)
        return;
    installed = new EnterFilter(qApp);
    qApp->installEventFilter(installed);
}
