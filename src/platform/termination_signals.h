#pragma once

// SIGTERM (a logout, `systemctl --user stop`, a power-off), SIGINT (Ctrl+C in
// a terminal) and SIGHUP (the terminal closed) end the player the ordinary
// way, with its shutdown steps, instead of at once. The handler only writes
// the signal's number into a pipe that the event loop watches, so
// `received` comes on the UI thread. A second signal, while the first is
// still being handled, ends the process at once with the signal's own
// default action: a shutdown that hangs can always be cut short.

#include <QObject>

class QSocketNotifier;

namespace kesto {

class TerminationSignals : public QObject {
    Q_OBJECT
public:
    // Installs the handlers; one object at a time per process.
    explicit TerminationSignals(QObject* parent = nullptr);
    // Gives the signals their default actions back.
    ~TerminationSignals() override;
    TerminationSignals(const TerminationSignals&) = delete;
    TerminationSignals& operator=(const TerminationSignals&) = delete;

    bool installed() const { return notifier_ != nullptr; }

Q_SIGNALS:
    void received(int signalNumber);

private:
    void readPipe();

    int readFd_ = -1;
    QSocketNotifier* notifier_ = nullptr;
};

} // namespace kesto
