#pragma once
#include <QFutureWatcher>
#include <QObject>
#include <QtConcurrent/QtConcurrentRun>
#include <type_traits>
#include <utility>

namespace qn {

// Runs `work` on the global thread pool and hands its result to `done` on the thread
// of `context`, unless `context` is destroyed first (then `done` never runs).
//
// Qt 6.4's `QFuture::then(context, ...)` continuations race with the worker when the
// pool finishes fast and crash now and then in `reportStarted`; a watcher owned by
// the context only ever reads the finished future on the context's own thread.
template <typename Work, typename Done> void runInBackground(QObject *context, Work work, Done done) {
    using Result = std::invoke_result_t<Work>;
    auto *watcher = new QFutureWatcher<Result>(context);
    QObject::connect(watcher, &QFutureWatcherBase::finished, context, [watcher, done = std::move(done)]() mutable {
        watcher->deleteLater();
        if constexpr (std::is_void_v<Result>)
            done();
        else
            done(watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(std::move(work)));
}

} // namespace qn
