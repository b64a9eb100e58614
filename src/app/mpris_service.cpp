#include "app/mpris_service.h"

#include "playback/output.h"
#include "player/player.h"
#include "playlist/entry.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>
#include <QUrl>

#include <unistd.h>

namespace kesto {

namespace {

const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");
const QString kPlayerInterface = QStringLiteral("org.mpris.MediaPlayer2.Player");
const QString kNoTrack = QStringLiteral("/org/mpris/MediaPlayer2/TrackList/NoTrack");

bool isStream(const Player& p) {
    return ClassifyEntry(p.playlist.PlayingEntry) == EntryKind::Stream;
}

} // namespace

QString mprisTrackId(const Player& p) {
    return p.playlist.PlayingEntry.empty() || p.playlist.CurrentIndex < 0
               ? kNoTrack
               : QStringLiteral("/org/kesto/Track/%1").arg(p.playlist.CurrentIndex);
}

MprisService::MprisService(Player& player, MprisHost host, QObject* parent)
    : QObject(parent), player_(player), host_(std::move(host)) {
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected())
        return;
    attachMprisAdaptors(*this, this);
    if (!bus.registerObject(kObjectPath, this))
        return;
    // A second player (MultipleInstances) gets a name of its own.
    connected_ = bus.registerService(QStringLiteral("org.mpris.MediaPlayer2.kesto")) ||
                 bus.registerService(
                     QStringLiteral("org.mpris.MediaPlayer2.kesto.instance%1").arg(::getpid()));
    sentStatus_ = playbackStatus();
    sentMetadata_ = metadata();
    sentVolume_ = volumeFraction();
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
    m.insert("mpris:trackid", QVariant::fromValue(QDBusObjectPath(mprisTrackId(player_))));
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

double MprisService::volumeFraction() const {
    return player_.transport.Volume / 1000.0;
}

qlonglong MprisService::positionMicroseconds() const {
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
    const double vol = volumeFraction();
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
