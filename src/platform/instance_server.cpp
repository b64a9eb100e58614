#include "platform/instance_server.h"

#include "platform/instance_channel.h"

#include <QFile>
#include <QSocketNotifier>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kesto {

struct InstanceServer::Client {
    int fd = -1;
    std::string received;
    QSocketNotifier* notifier = nullptr;
};

namespace {

// A connection that never completes its request must not hold descriptors
// forever: beyond this many, the oldest is dropped.
constexpr std::size_t kMaxClients = 16;

} // namespace

InstanceServer::InstanceServer(QObject* parent) : QObject(parent) {}

InstanceServer::~InstanceServer() {
    close();
}

void InstanceServer::close() {
    while (!clients_.empty())
        drop(clients_.front());
    for (const Request& r : queued_)
        ::close(r.fd);
    queued_.clear();
    if (listenFd_ < 0)
        return;
    // A quit request closes us from within the notifier's own signal.
    listenNotifier_->setEnabled(false);
    listenNotifier_->deleteLater();
    listenNotifier_ = nullptr;
    ::close(listenFd_);
    listenFd_ = -1;
    // The lock is still ours, so no later player has put its socket here yet.
    ::unlink(path_.c_str());
}

void InstanceServer::hold() {
    holding_ = true;
}

void InstanceServer::deliver() {
    holding_ = false;
    handOverQueued();
}

bool InstanceServer::listen(const QString& socketPath) {
    // Listening already: the socket we remove at the end stays the one we made.
    if (listenFd_ >= 0)
        return false;
    path_ = QFile::encodeName(socketPath).toStdString();
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (path_.size() >= sizeof addr.sun_path)
        return false;
    std::memcpy(addr.sun_path, path_.c_str(), path_.size() + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    ::unlink(path_.c_str());
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&addr), sizeof addr) != 0 ||
        ::chmod(path_.c_str(), S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 16) != 0) {
        ::close(fd);
        return false;
    }
    listenFd_ = fd;
    listenNotifier_ = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(listenNotifier_, &QSocketNotifier::activated, this, &InstanceServer::acceptClients);
    return true;
}

void InstanceServer::acceptClients() {
    for (;;) {
        const int fd = ::accept4(listenFd_, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (fd < 0) {
            if (errno == EINTR)
                continue;
            return; // EAGAIN: none left; anything else: try at the next wake
        }
        if (clients_.size() >= kMaxClients)
            drop(clients_.front());
        auto client = std::make_shared<Client>();
        client->fd = fd;
        client->notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
        connect(client->notifier, &QSocketNotifier::activated, this,
                [this, weak = std::weak_ptr<Client>(client)] {
                    if (auto c = weak.lock())
                        readFrom(c);
                });
        clients_.push_back(client);
        readFrom(client);
    }
}

int InstanceServer::detach(std::shared_ptr<Client> client) {
    // Called from the notifier's own signal too: it goes later, and quietly.
    client->notifier->setEnabled(false);
    client->notifier->deleteLater();
    clients_.erase(std::remove(clients_.begin(), clients_.end(), client), clients_.end());
    return client->fd;
}

void InstanceServer::drop(std::shared_ptr<Client> client) {
    ::close(detach(std::move(client)));
}

void InstanceServer::readFrom(const std::shared_ptr<Client>& client) {
    char chunk[4096];
    bool ended = false;
    for (;;) {
        const ssize_t n = ::read(client->fd, chunk, sizeof chunk);
        if (n > 0) {
            client->received.append(chunk, static_cast<std::size_t>(n));
            if (client->received.size() > kInstanceHeaderSize + kInstanceMaxPayload)
                break; // more than any request: the header check below drops it
            continue;
        }
        if (n < 0 && errno == EINTR)
            continue;
        ended = n == 0 || (errno != EAGAIN && errno != EWOULDBLOCK);
        break;
    }
    const std::string& in = client->received;
    if (in.size() < kInstanceHeaderSize) {
        if (ended)
            drop(client);
        return;
    }
    const char kind = in[0];
    std::uint32_t length = 0;
    for (int i = 0; i < 4; ++i)
        length |= static_cast<std::uint32_t>(static_cast<unsigned char>(in[1 + i])) << (8 * i);
    if (length > kInstanceMaxPayload || (kind != static_cast<char>(InstanceRequest::HandOver) &&
                                         kind != static_cast<char>(InstanceRequest::Activate) &&
                                         kind != static_cast<char>(InstanceRequest::Quit))) {
        drop(client);
        return;
    }
    if (in.size() < kInstanceHeaderSize + length) {
        if (ended)
            drop(client); // cut short
        return;
    }
    const QString argument =
        QString::fromUtf8(in.data() + kInstanceHeaderSize, static_cast<qsizetype>(length));
    // The connection stays open, unwatched, until the request is handed over:
    // the answer goes back on it then.
    queued_.push_back({detach(client), kind, argument});
    handOverQueued();
}

void InstanceServer::handOverQueued() {
    while (!holding_) {
        // A hand-over may run a nested event loop (a folder scan, a message
        // box). The next hand-over waits until it is done, so two never work
        // on the playlist at once; activating and quitting go at once.
        const auto next = std::find_if(queued_.begin(), queued_.end(), [this](const Request& r) {
            return !handOverRunning_ || r.kind != static_cast<char>(InstanceRequest::HandOver);
        });
        if (next == queued_.end())
            return;
        const Request r = *next;
        queued_.erase(next);
        // Answer first: the sender may end now, and a message box that the
        // request opens must not keep it waiting. One byte into a fresh
        // socket never blocks; it fails when the sender has gone, and a
        // request its sender gave up on is not carried out.
        const bool taken = ::send(r.fd, &kInstanceAck, 1, MSG_NOSIGNAL) == 1;
        ::close(r.fd);
        if (!taken)
            continue;
        const bool handOver = r.kind == static_cast<char>(InstanceRequest::HandOver);
        if (handOver)
            handOverRunning_ = true;
        emitRequest(r.kind, r.argument);
        if (handOver)
            handOverRunning_ = false;
    }
}

void InstanceServer::emitRequest(char kind, const QString& argument) {
    switch (static_cast<InstanceRequest>(kind)) {
    case InstanceRequest::HandOver:
        Q_EMIT handOver(argument);
        break;
    case InstanceRequest::Activate:
        Q_EMIT activateRequested();
        break;
    case InstanceRequest::Quit:
        Q_EMIT quitRequested();
        close();
        break;
    }
}

} // namespace kesto
