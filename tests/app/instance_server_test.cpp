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

private Q_SLOTS:
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
