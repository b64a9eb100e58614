#include "platform/instance_server.h"

#include "platform/instance_channel.h"

#include <QLocalServer>
#include <QLocalSocket>

namespace kesto {

InstanceServer::InstanceServer(QObject* parent) : QObject(parent), server_(new QLocalServer(this)) {
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    connect(server_, &QLocalServer::newConnection, this, &InstanceServer::onNewConnection);
}

bool InstanceServer::listen(const QString& socketPath) {
    if (server_->listen(socketPath))
        return true;
    QLocalServer::removeServer(socketPath);
    return server_->listen(socketPath);
}

void InstanceServer::onNewConnection() {
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        onReadyRead(socket);
    }
}

void InstanceServer::onReadyRead(QLocalSocket* socket) {
    if (socket->bytesAvailable() < static_cast<qint64>(kInstanceHeaderSize))
        return;
    const QByteArray head = socket->peek(kInstanceHeaderSize);
    const char kind = head[0];
    quint32 length = 0;
    for (int i = 0; i < 4; ++i)
        length |= static_cast<quint32>(static_cast<unsigned char>(head[1 + i])) << (8 * i);
    if (length > kInstanceMaxPayload || (kind != static_cast<char>(InstanceRequest::HandOver) &&
                                         kind != static_cast<char>(InstanceRequest::Activate) &&
                                         kind != static_cast<char>(InstanceRequest::Quit))) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < static_cast<qint64>(kInstanceHeaderSize + length))
        return;
    socket->read(kInstanceHeaderSize);
    const QString argument = QString::fromUtf8(socket->read(length));
    // Acknowledge first: the sender may end now, and a message box that the
    // request opens must not keep it waiting.
    socket->write(&kInstanceAck, 1);
    socket->flush();
    socket->disconnectFromServer();

    switch (static_cast<InstanceRequest>(kind)) {
    case InstanceRequest::HandOver:
        Q_EMIT handOver(argument);
        break;
    case InstanceRequest::Activate:
        Q_EMIT activateRequested();
        break;
    case InstanceRequest::Quit:
        Q_EMIT quitRequested();
        break;
    }
}

} // namespace kesto
