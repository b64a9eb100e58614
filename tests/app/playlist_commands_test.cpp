// The window's side of the playlist commands under the offscreen platform:
// the save dialog's file types, pasting what a file manager copied, and
// drops of file URIs.

#include "app/app_kesto.h"
#include "controls/gorse_listbox.h"
#include "player/player.h"
#include "playlist/list_view.h"

#include "app_window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDropEvent>
#include <QFileDialog>
#include <QLineEdit>
#include <QMimeData>
#include <QTest>

using namespace kesto;
using namespace kesto::test;

namespace {

QByteArray readBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// Answers the next save dialog as a user does: picks the file type from its
// list with the keyboard, types the name and accepts.
void answerSaveDialog(int typeIndex, const QString& name) {
    auto* poll = new QTimer;
    poll->setInterval(5);
    QObject::connect(poll, &QTimer::timeout, [poll, typeIndex, name] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        poll->stop();
        poll->deleteLater();
        auto* types = dialog->findChild<QComboBox*>(QStringLiteral("fileTypeCombo"));
        auto* edit = dialog->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
        if (!types || !edit) {
            dialog->reject();
            return;
        }
        for (int i = types->currentIndex(); i < typeIndex; ++i)
            QTest::keyClick(types, Qt::Key_Down);
        edit->clear();
        QTest::keyClicks(edit, name);
        static_cast<QDialog*>(dialog)->accept(); // as the Save button does
    });
    poll->start();
}

} // namespace

class PlaylistCommandsTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kesto-test-bus");
    }

    void saveFollowsTheChosenTypeAndSaysWhatItCannotWrite() {
        Fixture f;
        QTemporaryDir out;
        f.player->playlist.LastOpenedDir = QDir(out.path()).absolutePath().toStdString() + "/";
        f.player->playlist.PlaylistEntries = {"/m/a.mp3", "http://s/|Jazz"};
        RefreshListView(*f.player, false, false);
        QAction* save = f.window->actions().SavePlaylistAc;

        // "M3U 播放列表" and a bare name: an M3U file with the type's extension
        answerSaveDialog(1, QStringLiteral("list1"));
        save->trigger();
        QCOMPARE(readBytes(out.filePath("list1.m3u")), QByteArray("/m/a.mp3\r\nhttp://s/\r\n"));
        QVERIFY(!QFile::exists(out.filePath("list1.txt")));

        // an extension in capitals still names its format
        answerSaveDialog(0, QStringLiteral("LIST2.M3U"));
        save->trigger();
        QCOMPARE(readBytes(out.filePath("LIST2.M3U")), QByteArray("/m/a.mp3\r\nhttp://s/\r\n"));
        answerSaveDialog(2, QStringLiteral("list3"));
        save->trigger();
        QVERIFY(readBytes(out.filePath("list3.pls")).startsWith("[playlist]\r\n"));
        QVERIFY(f.messages.empty());

        // an extension the player cannot write: nothing written, and the user is told
        answerSaveDialog(3, QStringLiteral("list4.xyz"));
        save->trigger();
        QVERIFY(!QFile::exists(out.filePath("list4.xyz")));
        QCOMPARE(f.messages.size(), std::size_t{1});
        QCOMPARE(f.messages[0].first, MessageKind::Error);
        QVERIFY(f.messages[0].second.contains(QStringLiteral(".xyz")));
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
