#pragma once
// Answers the modal windows a test makes the program open: a timer that also runs inside their
// own event loops hands each visible modal window to the next step.

#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>
#include <utility>
#include <vector>

class ModalAnswers {
public:
    using Step = std::function<bool(QWidget*)>; // true when the step has handled the window
    // One step per window, in order; with `repeatLast` the last step also answers every later one.
    explicit ModalAnswers(std::vector<Step> steps, bool repeatLast = false)
        : m_steps(std::move(steps)), m_repeatLast(repeatLast)
    {
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible() || m_steps.empty())
                return;
            const size_t step = m_next < m_steps.size() ? m_next : m_steps.size() - 1;
            if ((m_next < m_steps.size() || m_repeatLast) && m_steps[step](modal))
                ++m_next;
        });
        m_timer.start(10);
    }
    bool allDone() const { return m_next >= m_steps.size(); }

private:
    std::vector<Step> m_steps;
    bool m_repeatLast;
    size_t m_next = 0;
    QTimer m_timer;
};

// Runs `open`, which shows a modal window, and `step` on that window; false when none was handled.
inline bool whileModal(const std::function<void()>& open, ModalAnswers::Step step)
{
    ModalAnswers answers({std::move(step)});
    open();
    return answers.allDone();
}
