#pragma once
#include <QTimer>
#include <functional>

namespace qn {

// One pending delayed job on the GUI thread. Scheduling a new job cancels the one
// still waiting, so a replaced job can never fire late.
class DelayedWork {
public:
    DelayedWork();
    DelayedWork(const DelayedWork &) = delete;
    DelayedWork &operator=(const DelayedWork &) = delete;

    void schedule(int milliseconds, std::function<void()> job);
    void cancel();
    bool isPending() const { return m_timer.isActive(); }

private:
    QTimer m_timer;
    std::function<void()> m_job;
};

} // namespace qn
