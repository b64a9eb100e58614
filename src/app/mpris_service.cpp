#include "app/mpris_service.h"

#include "playback/output.h"
#include "playback/transport.h"
#include "playback/volume.h"
#include "player/key_codes.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"

#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>
#include <QUrl>

#include <cmath>
#include <unistd.h>

namespace kesto {

namespace {

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

bool isStream(const Player& p) {
    return ClassifyEntry(p.playlist.PlayingEntry) == EntryKind::Stream;
}

QString trackId(const Player& p) {
    return p.playlist.PlayingEntry.empty() || p.playlist.CurrentIndex < 0
               ? kNoTrack
               : QStringLiteral("/org/kesto/Track/%1").arg(p.playlist.CurrentIndex);
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
    double volume() const { return service_.volume(); }
    void setVolume(double v) {
        SetVolume(player(), static_cast<int>(std::lround(std::clamp(v, 0.0, 1.0) * 1000)));
    }
    qlonglong position() const { return service_.position(); }
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
        seekToMs(std::max<qlonglong>(0, service_.position() + offset) / 1000);
    }
    void SetPosition(const QDBusObjectPath& track, qlonglong position) {
        if (!canSeek() || track.path() != trackId(player()) || position < 0)
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
        Q_EMIT Seeked(service_.position());
    }

    MprisService& service_;
};

MprisService::MprisService(Player& player, MprisHost host, QObject* parent)
    : QObject(parent), player_(player), host_(std::move(host)) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    new MprisRoot(*this, this);
    new MprisPlayer(*this, this);
    if (!bus.registerObject(kObjectPath, this))
        return;
    // A second player (MultipleInstances) gets a name of its own.
    connected_ = bus.registerService(QStringLiteral("org.mpris.MediaPlayer2.kesto")) ||
                 bus.registerService(
                     QStringLiteral("org.mpris.MediaPlayer2.kesto.instance%1").arg(::getpid()));
    sentStatus_ = playbackStatus();
    sentMetadata_ = metadata();
    sentVolume_ = volume();
}

MprisService::~MprisService() = default;

QString MprisService::playbackStatus() const {
    switch (outputState(player_)) {
    case ChannelState::Playing:
    case ChannelState::Stalled:
        return QStringLiteral("Playing");
    case ChannelState::Paused:
        return QStringLiteral("Paused");
    case ChannelState::Stopped:
        return QStringLiteral("Stopped");
    }
    return QStringLiteral("Stopped");
}

QVariantMap MprisService::metadata() const {
    QVariantMap m;
    m.insert("mpris:trackid", QVariant::fromValue(QDBusObjectPath(trackId(player_))));
    const std::string& entry = player_.playlist.PlayingEntry;
    if (entry.empty())
        return m;
    const QString text = QString::fromStdString(entry);
    const bool stream = isStream(player_);
    m.insert("xesam:url", stream ? text : QUrl::fromLocalFile(text).toString());
    // The window's caption is the title the user sees: a stream's title once
    // one arrives, else the file name.
    QString title = QString::fromStdString(player_.mirror.Caption);
    const QString suffix = QStringLiteral(" - Kesto");
    title = title.endsWith(suffix) ? title.chopped(suffix.size()) : text.section('/', -1);
    m.insert("xesam:title", title);
    if (!stream && player_.transport.MainLength > 0)
        m.insert("mpris:length",
                 qlonglong(BytesToMs(player_, player_.transport.MainLength)) * 1000);
    return m;
}

double MprisService::volume() const {
    return player_.transport.Volume / 1000.0;
}

qlonglong MprisService::position() const {
    return qlonglong(BytesToMs(player_, FilePosition(player_))) * 1000;
}

void MprisService::changed() {
    if (!connected_ || checkPending_)
        return;
    checkPending_ = true;
    QTimer::singleShot(0, this, [this] { sendChanges(); });
}

void MprisService::sendChanges() {
    checkPending_ = false;
    QVariantMap changes;
    const QString status = playbackStatus();
    if (status != sentStatus_)
        changes.insert("PlaybackStatus", sentStatus_ = status);
    const QVariantMap meta = metadata();
    if (meta != sentMetadata_)
        changes.insert("Metadata", sentMetadata_ = meta);
    const double vol = volume();
    if (vol != sentVolume_)
        changes.insert("Volume", sentVolume_ = vol);
    if (changes.isEmpty())
        return;
    QDBusMessage signal =
        QDBusMessage::createSignal(kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
                                   QStringLiteral("PropertiesChanged"));
    signal << kPlayerInterface << changes << QStringList();
    QDBusConnection::sessionBus().send(signal);
}

} // namespace kesto

#include "mpris_service.moc"
