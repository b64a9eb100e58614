// The window's side of the playlist commands under the offscreen platform:
// pasting what a file manager copied, and drops of file URIs.

#include "app/app_kesto.h"
#include "controls/gorse_listbox.h"
#include "player/player.h"
#include "playlist/list_view.h"

#include "app_window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDropEvent>
#include <QMimeData>
#include <QTest>

using namespace kesto;
using namespace kesto::test;

class PlaylistCommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kesto-test-bus");
    }

    void pasteTakesWhatAFileManagerCopied() {
        Fixture f;
        f.player->playlist.PlaylistEntries = {"/m/z.mp3"};
        RefreshListView(*f.player, false, false);
        f.window->ListScreen->setFocusedIndex(0);
        // One file copied: its URL, with no line end after it in the text form.
        auto* data = new QMimeData;
        data->setUrls({QUrl::fromLocalFile(QStringLiteral("/m/My Song.mp3"))});
        QApplication::clipboard()->setMimeData(data);
        f.window->actions().PastAc->trigger();
        QCOMPARE(f.player->playlist.PlaylistEntries,
                 (std::vector<std::string>{"/m/My Song.mp3", "/m/z.mp3"}));

        // Text from a Linux program: LF line ends.
        QApplication::clipboard()->setText(QStringLiteral("/m/a.mp3\n\n/m/b.mp3\n"));
        f.window->ListScreen->setFocusedIndex(0);
        f.window->actions().PastAc->trigger();
        QCOMPARE(f.player->playlist.PlaylistEntries,
                 (std::vector<std::string>{"/m/a.mp3", "/m/b.mp3", "/m/My Song.mp3", "/m/z.mp3"}));
        QVERIFY(f.messages.empty());
    }

    void droppedFileUrisAreLocalFiles() {
        Fixture f;
        QTemporaryDir music;
        writeText(music.filePath(QStringLiteral("a b.mp3")), "x");
        const std::string a = QDir(music.path()).absoluteFilePath("a b.mp3").toStdString();
        QMimeData data;
        // As some programs send them: this machine named as "localhost".
        data.setUrls(
            {QUrl(QStringLiteral("file://localhost") +
                  QUrl::fromLocalFile(QString::fromStdString(a)).path(QUrl::FullyEncoded))});
        QDropEvent drop(QPointF(50, 50), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        static_cast<QObject*>(f.window.get())->event(&drop);
        QCOMPARE(f.player->playlist.PlaylistEntries, std::vector<std::string>{a});
    }
};

QTEST_MAIN(PlaylistCommandsTest)
#include "playlist_commands_test.moc"
