#pragma once

// The player on the session bus as an MPRIS media player: the desktop's media
// keys, its sound menu, lock-screen controls and playerctl reach it there,
// and on Wayland it is the only way media keys reach a player at all. Every
// call goes through the same commands as the keyboard.

#include <QObject>
#include <QString>
#include <QVariantMap>

#include <functional>

namespace kesto {

class Player;

struct MprisHost {
    std::function<void()> raise;
    std::function<void()> quit;
    std::function<void(const QString& pathOrUrl)> open;
};

class MprisService : public QObject {
public:
    MprisService(Player& player, MprisHost host, QObject* parent = nullptr);
    ~MprisService() override;

    // On the bus; false without a session bus, which is no fault.
    bool connected() const { return connected_; }
    // Something the desktop shows may have changed: the state, the title or
    // the volume. Cheap to call often; the check runs once per event-loop pass.
    void changed();

    // What the properties read, for the adaptors.
    QString playbackStatus() const;
    QVariantMap metadata() const;
    double volumeFraction() const;
    qlonglong positionMicroseconds() const;
    Player& player() const { return player_; }
    const MprisHost& host() const { return host_; }

private:
    void sendChanges();

    Player& player_;
    MprisHost host_;
    bool connected_ = false;
    bool checkPending_ = false;
    QString sentStatus_;
    QVariantMap sentMetadata_;
    double sentVolume_ = -1;
};

// The interfaces themselves, on `object`, answering from `service`.
void attachMprisAdaptors(MprisService& service, QObject* object);
// The object path naming what plays, or MPRIS's "no track".
QString mprisTrackId(const Player& player);

} // namespace kesto
