#pragma once

// How long the window's thread goes without coming back to its event loop,
// for long runs under load (bench/soak.sh). A 10 ms timer notes how late each
// wake is, and the kernel's scheduler statistics for this thread say how much
// of the gap it spent waiting for a processor: that part is the machine's
// (other programs had the processors), the rest is the thread's own, whether
// it computed or waited in a blocking call. Off unless KESTO_STALL_PROBE
// names the file the summary goes to when the player ends.

#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <optional>
#include <vector>

namespace kesto {

class StallProbe : public QObject {
    Q_OBJECT
public:
    // A probe when the environment asks for one.
    static StallProbe* fromEnvironment(QObject* parent);
    StallProbe(const QString& path, QObject* parent);
    ~StallProbe() override;

    static constexpr int kPeriodMs = 10;
    static constexpr std::int64_t kReportOverNs = 100'000'000;

private:
    void wake();
    // Nanoseconds this thread has run on a processor and waited on a run
    // queue so far.
    struct Sched {
        std::int64_t running = 0;
        std::int64_t queued = 0;
    };
    std::optional<Sched> sched() const;

    QString path_;
    int schedstat_ = -1;
    QTimer timer_;
    QElapsedTimer clock_;
    std::int64_t lastWake_ = 0;
    Sched last_;
    std::uint64_t wakes_ = 0;
    std::int64_t longestGap_ = 0;    // wall time between two wakes, less the period
    std::int64_t longestOwn_ = 0;    // the same less the run-queue wait in it
    std::int64_t longestQueued_ = 0; // the longest run-queue wait within one gap
    std::uint64_t gapsOver_ = 0;     // gaps over kReportOverNs
    std::uint64_t ownOver_ = 0;      // own parts over kReportOverNs
    // Each own part over kReportOverNs: when it ended (ms since the epoch, to
    // set beside a log of what was done then), how long it was, and how much
    // of it the thread ran: the rest it spent blocked (I/O, a lock, a sleep).
    struct Stall {
        std::int64_t endedAtMs;
        std::int64_t ownNs;
        std::int64_t runningNs;
    };
    std::vector<Stall> ownStalls_;
};

} // namespace kesto
