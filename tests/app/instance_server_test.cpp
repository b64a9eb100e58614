// The player's end of the single-instance channel, fed by the real client code.

#include "platform/instance_channel.h"
#include "platform/instance_server.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <future>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>
#include <vector>

using namespace kesto;

class InstanceServerTest : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString socketPath() const { return dir.filePath("k.sock"); }
    // Somebody else's file where a second listen was asked for.
    void writeOther() {
        QFile other(dir.filePath("other.sock"));
        QVERIFY(other.open(QIODevice::WriteOnly));
    }

    // The client blocks until acknowledged, so it runs beside the event loop.
    bool send(InstanceRequest kind, const std::string& argument) {
        auto done = std::async(std::launch::async, [=, path = socketPath().toStdString()] {
            return sendInstanceRequest(path, kind, argument, 2000);
        });
        while (done.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            QTest::qWait(5);
        return done.get();
    }

    // Every request the server hands over, in order, as "H:argument", "A" or "Q".
    static void record(InstanceServer& server, QStringList& log) {
        QObject::connect(&server, &InstanceServer::handOver,
                         [&log](const QString& a) { log << "H:" + a; });
        QObject::connect(&server, &InstanceServer::activateRequested, [&log] { log << "A"; });
        QObject::connect(&server, &InstanceServer::quitRequested, [&log] { log << "Q"; });
    }
    // A sender that waits for its answer beside the event loop; the loop runs
    // long enough for the server to read what it sent.
    std::future<bool> sendLater(InstanceRequest kind, const std::string& argument,
                                int timeoutMs = 10000) {
        auto done = std::async(std::launch::async, [=, path = socketPath().toStdString()] {
            return sendInstanceRequest(path, kind, argument, timeoutMs);
        });
        QTest::qWait(100);
        return done;
    }
    static bool answered(std::future<bool>& f) {
        while (f.wait_for(std::chrono::milliseconds(0)) != std::future_status::ready)
            QTest::qWait(5);
        return f.get();
    }

private Q_SLOTS:
    // While the player starts, requests wait unanswered; then they come in
    // the order they were sent. One whose sender gave up meanwhile is dropped.
    void heldRequestsComeInOrderOnceDelivered() {
        InstanceServer server;
        QVERIFY(server.listen(socketPath()));
        QStringList log;
        record(server, log);
        server.hold();
        auto one = sendLater(InstanceRequest::HandOver, "/a.mp3");
        auto gaveUp = sendLater(InstanceRequest::HandOver, "/gone.mp3", 150);
        auto front = sendLater(InstanceRequest::Activate, "");
        auto two = sendLater(InstanceRequest::HandOver, "/b.mp3");
        QVERIFY(!answered(gaveUp));
        QCOMPARE(one.wait_for(std::chrono::milliseconds(0)), std::future_status::timeout);
        QVERIFY(log.isEmpty());
        server.deliver();
        QVERIFY(answered(one));
        QVERIFY(answered(front));
        QVERIFY(answered(two));
        QCOMPARE(log, (QStringList{"H:/a.mp3", "A", "H:/b.mp3"}));
        QVERIFY(send(InstanceRequest::HandOver, "/c.mp3"));
        QCOMPARE(log.last(), QStringLiteral("H:/c.mp3"));
    }

    // Nothing is served after a quit: what waits behind it is not answered,
    // so its sender goes on to the next player, and the socket is gone.
    void aQuitClosesTheServer() {
        InstanceServer server;
        QVERIFY(server.listen(socketPath()));
        QStringList log;
        record(server, log);
        server.hold();
        auto quit = sendLater(InstanceRequest::Quit, "");
        auto after = sendLater(InstanceRequest::HandOver, "/late.mp3");
        server.deliver();
        QVERIFY(answered(quit));
        QVERIFY(!answered(after));
        QCOMPARE(log, QStringList{"Q"});
        QVERIFY(!QFile::exists(socketPath()));
    }

    // A hand-over whose handling runs a nested event loop (a folder scan, a
    // message box) is done before the next hand-over begins; bringing the
    // window forward does not wait.
    void aHandOverWaitsForTheOneBeforeIt() {
        InstanceServer server;
        QVERIFY(server.listen(socketPath()));
        QStringList log;
        std::future<bool> second, front;
        QObject::connect(&server, &InstanceServer::handOver, [&](const QString& a) {
            log << "H:" + a;
            if (a == "/first.mp3") {
                second = sendLater(InstanceRequest::HandOver, "/second.mp3");
                front = sendLater(InstanceRequest::Activate, "");
                log << "end:" + a;
            }
        });
        QObject::connect(&server, &InstanceServer::activateRequested, [&log] { log << "A"; });
        QVERIFY(send(InstanceRequest::HandOver, "/first.mp3"));
        QVERIFY(answered(second));
        QVERIFY(answered(front));
        QCOMPARE(log, (QStringList{"H:/first.mp3", "A", "end:/first.mp3", "H:/second.mp3"}));
    }

    void requestsArriveAsSignals() {
        InstanceServer server;
        QVERIFY(server.listen(socketPath()));
        QSignalSpy handOver(&server, &InstanceServer::handOver);
        QSignalSpy activate(&server, &InstanceServer::activateRequested);
        QSignalSpy quit(&server, &InstanceServer::quitRequested);

        const std::string path = "/音乐/专辑 1/歌.mp3";
        QVERIFY(send(InstanceRequest::HandOver, path));
        QCOMPARE(handOver.count(), 1);
        QCOMPARE(handOver.at(0).at(0).toString(), QString::fromStdString(path));

        QVERIFY(send(InstanceRequest::HandOver, std::string(20000, 'x')));
        QCOMPARE(handOver.at(1).at(0).toString().size(), 20000);

        QVERIFY(send(InstanceRequest::Activate, ""));
        QCOMPARE(activate.count(), 1);
        QVERIFY(send(InstanceRequest::Quit, ""));
        QCOMPARE(quit.count(), 1);
        QCOMPARE(handOver.count(), 2);
    }

    void malformedFramesAreDropped() {
        InstanceServer server;
        QVERIFY(server.listen(socketPath()));
        QSignalSpy handOver(&server, &InstanceServer::handOver);
        const auto raw = [this](const QByteArray& bytes) {
            const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
            sockaddr_un addr{};
            addr.sun_family = AF_UNIX;
            qstrncpy(addr.sun_path, socketPath().toUtf8().constData(), sizeof addr.sun_path);
            QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
            QCOMPARE(::write(fd, bytes.constData(), bytes.size()), bytes.size());
            QTest::qWait(100);
            ::close(fd);
        };
        raw(QByteArray("Z\x01\0\0\0x", 6));      // unknown kind
        raw(QByteArray("H\xff\xff\xff\x7f", 5)); // absurd length
        raw(QByteArray("H\x05\0\0\0ab", 7));     // cut short
        QTest::qWait(50);
        QCOMPARE(handOver.count(), 0);
        QVERIFY2(send(InstanceRequest::HandOver, "/ok.mp3"), "still serving afterwards");
        QCOMPARE(handOver.count(), 1);
    }

    // Connections that never say anything: requests are still served, the
    // oldest are let go instead of piling up, and the socket is the user's
    // own and goes with the server.
    void silentConnectionsNeitherBlockNorPileUp() {
        std::vector<int> silent;
        {
            InstanceServer server;
            QVERIFY(server.listen(socketPath()));
            struct stat st {};
            QCOMPARE(::stat(QFile::encodeName(socketPath()).constData(), &st), 0);
            QCOMPARE(st.st_mode & 0777, 0600u);
            QSignalSpy activate(&server, &InstanceServer::activateRequested);
            for (int i = 0; i < 40; ++i) {
                const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
                sockaddr_un addr{};
                addr.sun_family = AF_UNIX;
                qstrncpy(addr.sun_path, socketPath().toUtf8().constData(), sizeof addr.sun_path);
                QCOMPARE(::connect(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
                silent.push_back(fd);
                QTest::qWait(2);
            }
            QVERIFY(send(InstanceRequest::Activate, ""));
            QCOMPARE(activate.count(), 1);
            // The first silent connection was closed by the server: end of file.
            char byte = 0;
            QCOMPARE(::recv(silent.front(), &byte, 1, MSG_DONTWAIT), ssize_t{0});
            QCOMPARE(::recv(silent.back(), &byte, 1, MSG_DONTWAIT), ssize_t{-1});
        }
        QVERIFY(!QFile::exists(socketPath()));
        // A second listen is refused and leaves the first socket as it was.
        {
            InstanceServer server;
            QVERIFY(server.listen(socketPath()));
            QVERIFY(!server.listen(dir.filePath("other.sock")));
            QVERIFY(send(InstanceRequest::Activate, ""));
            writeOther();
        }
        QVERIFY(!QFile::exists(socketPath()));
        QVERIFY(QFile::exists(dir.filePath("other.sock")));
        for (int fd : silent)
            ::close(fd);
    }

    void socketLeftByACrashIsTakenOver() {
        // A socket file nobody listens on, as a killed player leaves it.
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        qstrncpy(addr.sun_path, socketPath().toUtf8().constData(), sizeof addr.sun_path);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr*>(&addr), sizeof addr), 0);
        ::close(fd);
        QVERIFY(QFile::exists(socketPath()));
        QVERIFY(
            !sendInstanceRequest(socketPath().toStdString(), InstanceRequest::Activate, "", 200));

        InstanceServer server;
        QVERIFY(server.listen(socketPath()));
        QSignalSpy activate(&server, &InstanceServer::activateRequested);
        QVERIFY(send(InstanceRequest::Activate, ""));
        QCOMPARE(activate.count(), 1);
    }
};

QTEST_MAIN(InstanceServerTest)
#include "instance_server_test.moc"
