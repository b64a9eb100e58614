#pragma once

// The main window with its player in a private program folder and silent
// output, and the small helpers the window tests share.

#include "app/app_kesto.h"
#include "playback/output.h"
#include "player/player.h"
#include "playlist/list_view.h"

#include "support/audio_fixtures.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTimer>

#include <fstream>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace kesto::test {

inline void writeText(const QString& path, const QByteArray& text) {
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        qFatal("cannot write %s", qPrintable(path));
    f.write(text);
}

// A 440 Hz stereo WAV file of the given length in `folder`; returns its path.
inline std::string writeTone(const QTemporaryDir& folder, const char* name, int seconds) {
    const std::string path = folder.filePath(QString::fromLatin1(name)).toStdString();
    std::ofstream out(path, std::ios::binary);
    out << wavFile(sineTone(44100, 2, 44100 * seconds, 440.0), 44100, 2);
    return path;
}

// A window with its player in a private program folder, silent output.
struct Fixture {
    QTemporaryDir dir;
    std::unique_ptr<TAppKesto> window;
    std::unique_ptr<Player> player;
    std::vector<std::pair<MessageKind, QString>> messages;

    explicit Fixture(const QByteArray& ini = {}, const std::string& argument = {}) {
        if (!ini.isEmpty())
            writeText(dir.filePath("Kesto.ini"), ini);
        window = std::make_unique<TAppKesto>();
        window->messageHook = [this](MessageKind k, const QString& t) {
            messages.emplace_back(k, t);
            return 0;
        };
        player = std::make_unique<Player>(AppPaths(dir.path().toStdString()), *window);
        window->create(*player, argument);
    }
    QString file(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }
};

// The window's status and level timers, found by name.
struct TickTimers {
    QTimer* status;
    QTimer* level;
};
inline TickTimers tickTimers(TAppKesto& w) {
    return {w.findChild<QTimer*>(QStringLiteral("StatusTimer")),
            w.findChild<QTimer*>(QStringLiteral("LevelTimer"))};
}

// The entries become the list, and the first one plays.
inline void playFirst(Fixture& f, std::vector<std::string> entries) {
    f.player->playlist.PlaylistEntries = std::move(entries);
    RefreshListView(*f.player, false, false);
    OpenEntry(*f.player, 0);
}

} // namespace kesto::test
