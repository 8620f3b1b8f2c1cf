#include "ScrollBarKeys.h"

#include <QKeyEvent>
#include <QScrollBar>

namespace {

class ArrowKeys : public QObject {
public:
    explicit ArrowKeys(QScrollBar* bar) : QObject(bar), m_bar(bar) {}

    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() != QEvent::KeyPress || m_bar->orientation() != Qt::Horizontal)
            return QObject::eventFilter(watched, event);
        const int key = static_cast<QKeyEvent*>(event)->key();
        if (key != Qt::Key_Left && key != Qt::Key_Right)
            return QObject::eventFilter(watched, event);
        // A mirrored bar has its lowering button on the right.
        const bool lower = (key == Qt::Key_Left) != m_bar->isRightToLeft();
        m_bar->triggerAction(lower ? QAbstractSlider::SliderSingleStepSub : QAbstractSlider::SliderSingleStepAdd);
        return true;
    }

private:
    QScrollBar* m_bar;
};

} // namespace

void ArrowKeysFollowArrowButtons(QScrollBar* bar)
{
    bar->installEventFilter(new ArrowKeys(bar));
}
