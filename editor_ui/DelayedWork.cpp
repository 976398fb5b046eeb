#include "editor_ui/DelayedWork.h"

namespace qn {

DelayedWork::DelayedWork() {
    m_timer.setSingleShot(true);
    // A help bubble must not appear before its full second.
    m_timer.setTimerType(Qt::PreciseTimer);
    QObject::connect(&m_timer, &QTimer::timeout, [this] {
        // The job may schedule a new one; take it out first.
        auto job = std::move(m_job);
        m_job = nullptr;
        if (job)
            job();
    });
}

void DelayedWork::schedule(int milliseconds, std::function<void()> job) {
    m_timer.stop();
    m_job = std::move(job);
    m_timer.start(milliseconds);
}

void DelayedWork::cancel() {
    m_timer.stop();
    m_job = nullptr;
}

} // namespace qn
