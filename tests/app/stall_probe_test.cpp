// The soak's stall probe: a thread that computes or waits in a blocking call
// stalls the event loop, and both count as the program's own stall; the
// probe tells the two apart by the time the thread ran.

#include "app/stall_probe.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <ctime>

using kesto::StallProbe;

namespace {

std::int64_t threadCpuNs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::int64_t{t.tv_sec} * 1'000'000'000 + t.tv_nsec;
}

} // namespace

class StallProbeTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void computingAndBlockingAreTheThreadsOwnStalls() {
        QTemporaryDir dir;
        const QString path = dir.filePath("stall.txt");
        {
            StallProbe probe(path, nullptr);
            QTest::qWait(50);
            // 150 ms of this thread's processor time, however long the
            // machine makes it take, then 150 ms asleep in a blocking call.
            const std::int64_t until = threadCpuNs() + 150'000'000;
            while (threadCpuNs() < until) {
            }
            QTest::qWait(30);
            const timespec nap{0, 150'000'000};
            nanosleep(&nap, nullptr);
            QTest::qWait(30);
        }
        QFile summary(path);
        QVERIFY(summary.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(summary.readAll());
        QVERIFY2(text.contains(QStringLiteral("own parts over 100 ms 2")), qPrintable(text));
        const QString own = text.section(QStringLiteral("the thread's own "), 1).section(' ', 0, 0);
        QVERIFY2(own.toInt() >= 140, qPrintable(text));
        // The first stall ran on a processor, the second was blocked.
        const QStringList stalls = text.split('\n').filter(QStringLiteral("own stall of"));
        QCOMPARE(stalls.size(), 2);
        const auto running = [](const QString& line) {
            return line.section(QStringLiteral("running "), 1).section(' ', 0, 0).toInt();
        };
        QVERIFY2(running(stalls[0]) >= 140, qPrintable(text));
        QVERIFY2(running(stalls[1]) < 50, qPrintable(text));
    }
};

QTEST_MAIN(StallProbeTest)
#include "stall_probe_test.moc"
