#pragma once

// The player's end of the single-instance channel: accepts requests from
// later processes, acknowledges each as it takes it on, and hands it to the
// window through signals on the UI thread in the order they came; a
// hand-over waits until the one before it has been dealt with.
//
// While the player starts, nothing is ready to take a request: `hold` keeps
// them, unanswered (their senders wait), until `deliver`. A request whose
// sender has given up by then is dropped, so a sender that tries again never
// has its request carried out twice.
//
// A plain Unix socket watched by the event loop: Qt's own local-socket
// classes would load the whole network library (and Kerberos and proxy
// support with it) into every start of the player for one small request.

#include <QObject>
#include <QString>

#include <deque>
#include <memory>
#include <string>
#include <vector>

class QSocketNotifier;

namespace kesto {

class InstanceServer : public QObject {
    Q_OBJECT
public:
    explicit InstanceServer(QObject* parent = nullptr);
    ~InstanceServer() override;
    InstanceServer(const InstanceServer&) = delete;
    InstanceServer& operator=(const InstanceServer&) = delete;

    // Only the holder of the instance lock may listen: it removes a socket file
    // that a crashed player left behind. The socket is for this user only.
    bool listen(const QString& socketPath);

    // Keep requests from now on; `deliver` hands over the kept ones and
    // every later one.
    void hold();
    void deliver();
    // Stops listening and lets the requests not yet handed over go
    // unanswered: their senders try again and find the next player. A quit
    // request closes the server this way, since nothing after it is served.
    void close();

Q_SIGNALS:
    void handOver(const QString& argument);
    void activateRequested();
    void quitRequested();

private:
    struct Client;
    struct Request {
        int fd; // the sender's connection, answered when the request is handed over
        char kind;
        QString argument;
    };
    void acceptClients();
    void readFrom(const std::shared_ptr<Client>& client);
    // Both by value: the client may be an element of clients_.
    int detach(std::shared_ptr<Client> client); // unwatched and forgotten, still open
    void drop(std::shared_ptr<Client> client);
    void handOverQueued();
    void emitRequest(char kind, const QString& argument);

    int listenFd_ = -1;
    std::string path_;
    QSocketNotifier* listenNotifier_ = nullptr;
    std::vector<std::shared_ptr<Client>> clients_;
    std::deque<Request> queued_; // complete requests not handed over yet, oldest first
    bool holding_ = false;
    bool handOverRunning_ = false; // its slot may run a nested event loop
};

} // namespace kesto
