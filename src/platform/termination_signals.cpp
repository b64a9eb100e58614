#include "platform/termination_signals.h"

#include <QSocketNotifier>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <fcntl.h>
#include <unistd.h>

namespace kesto {

namespace {

constexpr int kWatched[] = {SIGTERM, SIGINT, SIGHUP};

// A signal handler reaches nothing but what the process as a whole can see,
// so the pipe's write end and the "one came already" mark live here. Both
// are lock-free atomics, which a handler may touch.
std::atomic<int> pipeWriteFd{-1};
std::atomic<bool> signalSeen{false};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free);

extern "C" void onTerminationSignal(int signalNumber) {
    if (signalSeen.exchange(true)) {
        // The second one: the default action, as soon as this handler returns.
        std::signal(signalNumber, SIG_DFL);
        std::raise(signalNumber);
        return;
    }
    const int savedErrno = errno;
    const auto byte = static_cast<unsigned char>(signalNumber);
    [[maybe_unused]] const ssize_t n = ::write(pipeWriteFd.load(), &byte, 1);
    errno = savedErrno;
}

void setHandler(int signalNumber, void (*handler)(int)) {
    struct sigaction action {};
    action.sa_handler = handler;
    sigemptyset(&action.sa_mask);
    // Every other watched signal waits while the handler runs, so two at once
    // still count as first and second.
    for (int s : kWatched)
        sigaddset(&action.sa_mask, s);
    action.sa_flags = SA_RESTART;
    ::sigaction(signalNumber, &action, nullptr);
}

} // namespace

TerminationSignals::TerminationSignals(QObject* parent) : QObject(parent) {
    int fds[2];
    if (::pipe2(fds, O_NONBLOCK | O_CLOEXEC) != 0)
        return; // the signals keep their default actions
    readFd_ = fds[0];
    pipeWriteFd.store(fds[1]);
    signalSeen.store(false);
    notifier_ = new QSocketNotifier(readFd_, QSocketNotifier::Read, this);
    connect(notifier_, &QSocketNotifier::activated, this, &TerminationSignals::readPipe);
    for (int s : kWatched)
        setHandler(s, onTerminationSignal);
}

TerminationSignals::~TerminationSignals() {
    if (readFd_ < 0)
        return;
    for (int s : kWatched)
        setHandler(s, SIG_DFL);
    ::close(pipeWriteFd.exchange(-1));
    ::close(readFd_);
}

void TerminationSignals::readPipe() {
    unsigned char bytes[16];
    for (;;) {
        const ssize_t n = ::read(readFd_, bytes, sizeof bytes);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            return;
        for (ssize_t i = 0; i < n; ++i)
            Q_EMIT received(bytes[i]);
    }
}

} // namespace kesto
