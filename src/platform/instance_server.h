#pragma once

// The player's end of the single-instance channel: accepts requests from
// later processes, acknowledges each once it has fully arrived, and hands it
// to the window through signals on the UI thread.
//
// A plain Unix socket watched by the event loop: Qt's own local-socket
// classes would load the whole network library (and Kerberos and proxy
// support with it) into every start of the player for one small request.

#include <QObject>
#include <QString>

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

Q_SIGNALS:
    void handOver(const QString& argument);
    void activateRequested();
    void quitRequested();

private:
    struct Client;
    void acceptClients();
    void readFrom(const std::shared_ptr<Client>& client);
    void drop(std::shared_ptr<Client> client); // by value: it may be an element of clients_

    int listenFd_ = -1;
    std::string path_;
    QSocketNotifier* listenNotifier_ = nullptr;
    std::vector<std::shared_ptr<Client>> clients_;
};

} // namespace kesto
