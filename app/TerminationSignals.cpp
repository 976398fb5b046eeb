#include "app/TerminationSignals.h"

#include <QSocketNotifier>

#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace qn {

namespace {
int signalPipe[2] = {-1, -1};
constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};

// Only async-signal-safe work here: the signal's number goes down the pipe and
// the GUI thread does the rest.
void onSignal(int number) {
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] ssize_t n = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}
} // namespace

TerminationSignals::TerminationSignals(QObject *parent) : QObject(parent) {
    // A closed standard output (the terminal that started us went away) must not
    // kill the program in the middle of a movie; a failed print is harmless.
    ::signal(SIGPIPE, SIG_IGN);
    if (signalPipe[0] < 0 && ::pipe2(signalPipe, O_CLOEXEC | O_NONBLOCK) != 0)
        return;
    auto *notifier = new QSocketNotifier(signalPipe[0], QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, &TerminationSignals::drain);
    struct sigaction action {};
    action.sa_handler = onSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (int number : kSignals)
        ::sigaction(number, &action, nullptr);
}

TerminationSignals::~TerminationSignals() {
    for (int number : kSignals)
        ::signal(number, SIG_DFL);
}

void TerminationSignals::drain() {
    unsigned char buffer[16];
    ssize_t n;
    int last = 0;
    while ((n = ::read(signalPipe[0], buffer, sizeof buffer)) > 0)
        last = buffer[n - 1];
    if (last)
        Q_EMIT received(last);
}

} // namespace qn
