// The MPRIS interfaces as the bus sees them. Their methods and properties
// carry the interface's own names (Play, Pause, Volume): the bus calls them by
// those names, and no C++ code does, so they are outside the house naming.

#include "app/mpris_service.h"

#include "playback/output.h"
#include "playback/transport.h"
#include "playback/volume.h"
#include "player/key_codes.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"

#include <QDBusAbstractAdaptor>
#include <QDBusObjectPath>
#include <QUrl>

#include <algorithm>
#include <cmath>

namespace kesto {

namespace {

bool isStream(const Player& p) {
    return ClassifyEntry(p.playlist.PlayingEntry) == EntryKind::Stream;
}

} // namespace

// org.mpris.MediaPlayer2: who we are, and the window.
class MprisRoot : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ yes)
    Q_PROPERTY(bool CanRaise READ yes)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ schemes)
    Q_PROPERTY(QStringList SupportedMimeTypes READ mimeTypes)

public:
    MprisRoot(MprisService& service, QObject* object)
        : QDBusAbstractAdaptor(object), service_(service) {}
    bool yes() const { return true; }
    bool no() const { return false; }
    QString identity() const { return QStringLiteral("Kesto"); }
    QString desktopEntry() const { return QStringLiteral("kesto"); }
    QStringList schemes() const { return {"file", "http", "https"}; }
    QStringList mimeTypes() const {
        return {"audio/mpeg", "audio/x-wav", "audio/ogg", "audio/x-mpegurl", "audio/x-scpls"};
    }

public Q_SLOTS:
    void Raise() {
        if (service_.host().raise)
            service_.host().raise();
    }
    void Quit() {
        if (service_.host().quit)
            service_.host().quit();
    }

private:
    MprisService& service_;
};

// org.mpris.MediaPlayer2.Player: the transport, as the keys drive it.
class MprisPlayer : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(double Rate READ one WRITE setRate)
    Q_PROPERTY(double MinimumRate READ one)
    Q_PROPERTY(double MaximumRate READ one)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(bool CanGoNext READ hasEntries)
    Q_PROPERTY(bool CanGoPrevious READ hasEntries)
    Q_PROPERTY(bool CanPlay READ hasEntries)
    Q_PROPERTY(bool CanPause READ canPause)
    Q_PROPERTY(bool CanSeek READ canSeek)
    Q_PROPERTY(bool CanControl READ yes)

public:
    MprisPlayer(MprisService& service, QObject* object)
        : QDBusAbstractAdaptor(object), service_(service) {}
    QString playbackStatus() const { return service_.playbackStatus(); }
    double one() const { return 1.0; }
    void setRate(double) {}
    QVariantMap metadata() const { return service_.metadata(); }
    double volume() const { return service_.volumeFraction(); }
    void setVolume(double v) {
        SetVolume(player(), static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 1000)));
    }
    qlonglong position() const { return service_.positionMicroseconds(); }
    bool hasEntries() const { return !player().playlist.PlaylistEntries.empty(); }
    bool canPause() const { return outputState(player()) != ChannelState::Stopped; }
    bool canSeek() const { return canPause() && !isStream(player()); }
    bool yes() const { return true; }

public Q_SLOTS:
    void Next() { key(vk::Tab, vk::NoModifier); }
    void Previous() { key(vk::Tab, vk::ShiftModifier); }
    void PlayPause() {
        if (outputState(player()) != ChannelState::Stopped)
            key(vk::Space, vk::NoModifier);
        else
            Play();
    }
    void Play() {
        const ChannelState state = outputState(player());
        if (state == ChannelState::Paused)
            key(vk::Space, vk::NoModifier);
        else if (state == ChannelState::Stopped && hasEntries())
            key(vk::Return, vk::NoModifier); // with no entries this would open a dialog
    }
    void Pause() {
        if (outputState(player()) == ChannelState::Playing)
            key(vk::Space, vk::NoModifier);
    }
    // What the stop hotkey does: a real stop, where the Stop key's first
    // press only pauses.
    void Stop() {
        SelectEntry(player(), player().playlist.CurrentIndex);
        StopPlayback(player(), true);
        service_.changed();
    }
    void Seek(qlonglong offset) {
        if (!canSeek())
            return;
        seekToMs(std::max<qlonglong>(0, service_.positionMicroseconds() + offset) / 1000);
    }
    void SetPosition(const QDBusObjectPath& track, qlonglong position) {
        if (!canSeek() || track.path() != mprisTrackId(player()) || position < 0)
            return;
        seekToMs(position / 1000);
    }
    void OpenUri(const QString& uri) {
        const QUrl url(uri);
        const QString target = url.isLocalFile() ? url.toLocalFile() : uri;
        if (!target.isEmpty() && service_.host().open)
            service_.host().open(target);
    }

Q_SIGNALS:
    void Seeked(qlonglong Position);

private:
    Player& player() const { return service_.player(); }
    void key(int code, int shift) {
        RunKeyCommand(player(), code, shift);
        service_.changed();
    }
    void seekToMs(qlonglong ms) {
        SeekTo(player(), MsToBytes(player(), ms));
        Q_EMIT Seeked(service_.positionMicroseconds());
    }

    MprisService& service_;
};

void attachMprisAdaptors(MprisService& service, QObject* object) {
    new MprisRoot(service, object);
    new MprisPlayer(service, object);
}

} // namespace kesto

#include "mpris_adaptors.moc"
