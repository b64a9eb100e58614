#include "app/stall_probe.h"

#include <QDateTime>
#include <QFile>

#include <algorithm>
#include <cstdio>

#include <fcntl.h>
#include <unistd.h>

namespace kesto {

StallProbe* StallProbe::fromEnvironment(QObject* parent) {
    const QString path = qEnvironmentVariable("KESTO_STALL_PROBE");
    return path.isEmpty() ? nullptr : new StallProbe(path, parent);
}

StallProbe::StallProbe(const QString& path, QObject* parent) : QObject(parent), path_(path) {
    // This thread's line of the scheduler statistics: running time, time
    // waiting on a run queue, time slices.
    schedstat_ = ::open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kPeriodMs);
    connect(&timer_, &QTimer::timeout, this, &StallProbe::wake);
    clock_.start();
    lastWake_ = clock_.nsecsElapsed();
    last_ = sched().value_or(Sched{});
    timer_.start();
}

StallProbe::~StallProbe() {
    if (schedstat_ >= 0)
        ::close(schedstat_);
    QFile out(path_);
    if (!out.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return;
    const auto ms = [](std::int64_t ns) {
        return QString::number(ns / 1'000'000);
    };
    out.write(QStringLiteral("wakes %1; longest gap %2 ms, of it the thread's own %3 ms "
                             "(the longest run-queue wait in a gap %4 ms); gaps over 100 ms %5, "
                             "own parts over 100 ms %6\n")
                  .arg(wakes_)
                  .arg(ms(longestGap_), ms(longestOwn_), ms(longestQueued_))
                  .arg(gapsOver_)
                  .arg(ownOver_)
                  .toUtf8());
    for (const Stall& s : ownStalls_)
        out.write(QStringLiteral("own stall of %1 ms ending at %2, running %3 ms\n")
                      .arg(ms(s.ownNs))
                      .arg(s.endedAtMs)
                      .arg(ms(s.runningNs))
                      .toUtf8());
}

std::optional<StallProbe::Sched> StallProbe::sched() const {
    if (schedstat_ < 0)
        return std::nullopt;
    char text[128];
    const ssize_t n = ::pread(schedstat_, text, sizeof text - 1, 0);
    if (n <= 0)
        return std::nullopt;
    text[n] = '\0';
    unsigned long long running = 0, queued = 0;
    if (std::sscanf(text, "%llu %llu", &running, &queued) != 2)
        return std::nullopt;
    return Sched{static_cast<std::int64_t>(running), static_cast<std::int64_t>(queued)};
}

void StallProbe::wake() {
    const std::int64_t now = clock_.nsecsElapsed();
    const Sched current = sched().value_or(last_);
    // A wake on time comes a period after the last one; what is past that
    // is the stall, and the run-queue wait since the last wake is the
    // machine's share of it.
    const std::int64_t gap = std::max<std::int64_t>(now - lastWake_ - kPeriodMs * 1'000'000, 0);
    const std::int64_t waited = current.queued - last_.queued;
    const std::int64_t own = std::max<std::int64_t>(gap - waited, 0);
    ++wakes_;
    longestGap_ = std::max(longestGap_, gap);
    longestOwn_ = std::max(longestOwn_, own);
    longestQueued_ = std::max(longestQueued_, waited);
    gapsOver_ += gap > kReportOverNs;
    if (own > kReportOverNs) {
        ++ownOver_;
        if (ownStalls_.size() < 1000)
            ownStalls_.push_back(
                {QDateTime::currentMSecsSinceEpoch(), own, current.running - last_.running});
    }
    lastWake_ = now;
    last_ = current;
}

} // namespace kesto
