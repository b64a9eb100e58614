#pragma once

// The player's end of the single-instance channel: accepts requests from
// later processes, acknowledges each once it has fully arrived, and hands it
// to the window through signals on the UI thread.

#include <QObject>
#include <QString>

class QLocalServer;
class QLocalSocket;

namespace kesto {

class InstanceServer : public QObject {
    Q_OBJECT
public:
    explicit InstanceServer(QObject* parent = nullptr);
    // Only the holder of the instance lock may listen: it removes a socket file
    // that a crashed player left behind.
    bool listen(const QString& socketPath);

Q_SIGNALS:
    void handOver(const QString& argument);
    void activateRequested();
    void quitRequested();

private:
    void onNewConnection();
    void onReadyRead(QLocalSocket* socket);

    QLocalServer* server_;
};

} // namespace kesto
