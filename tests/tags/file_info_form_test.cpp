// The file information window driven as a user works it: the name field,
// the refusal that keeps it open, the clean-up, the tag button.

#include "tags/file_info_form.h"

#include "player/player.h"
#include "support/fake_view.h"
#include "support/temp_dir.h"

#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace kesto;
using kesto::test::FakeView;
using kesto::test::TempDir;

namespace {

void whenShown(QDialog& dialog, std::function<void()> script) {
    QTimer::singleShot(0, &dialog, [&dialog, script] {
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        script();
        // A failed check must not leave the test waiting on the window.
        if (dialog.isVisible())
            dialog.reject();
    });
}

std::string tagged(std::string_view title) {
    std::string block(128, '\0');
    block.replace(0, 3, "TAG");
    block.replace(3, title.size(), title);
    block[127] = 0;
    return std::string(300, 'x') + block;
}

} // namespace

class FileInfoFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void nameFieldTagButtonAndRename() {
        TempDir home;
        FakeView view;
        Player player{AppPaths(home.path()), view};
        const std::string song = home.file("my__song.mp3");
        test::writeFile(song, tagged("中文"));
        test::writeFile(home.file("b.wav"), "RIFF");
        player.playlist.PlaylistEntries = {song, home.file("b.wav")};
        TFileInfo_Form form(player);
        QString caption, text;
        form.showText = [&](const QString& c, const QString& t) {
            caption = c;
            text = t;
        };
        bool closedByOk = false;
        whenShown(form, [&] {
            QCOMPARE(form.Edit1->selectedText(), QStringLiteral("my__song.mp3"));
            QVERIFY(form.Edit1->hasFocus());
            QVERIFY(form.Memo1->toPlainText().contains(QStringLiteral("\n大小: \t428 字节 \n")));
            QTest::mouseClick(form.Button4, Qt::LeftButton);
            QCOMPARE(caption, QStringLiteral("查看 MP3 标签"));
            QVERIFY(text.contains(QStringLiteral("\nMP3v1 标签:\n标题:  中文\n")));

            // No extension: refused, and the dialog stays open.
            form.Edit1->setText(QStringLiteral("no extension"));
            QTest::mouseClick(form.Button1, Qt::LeftButton);
            QVERIFY(form.isVisible());
            QCOMPARE(view.messages.size(), std::size_t{1});

            form.Edit1->setText(QStringLiteral("my__song%20%20x.mp3"));
            QTest::mouseClick(form.Button3, Qt::LeftButton);
            QCOMPARE(form.Edit1->text(), QStringLiteral("my song x.mp3"));
            QTest::mouseClick(form.Button1, Qt::LeftButton);
            closedByOk = !form.isVisible();
        });
        form.showEntry(0);
        QVERIFY(closedByOk);
        QCOMPARE(player.playlist.PlaylistEntries[0], home.file("my song x.mp3"));
        QVERIFY(test::fileExists(home.file("my song x.mp3")));

        bool tagButton = true;
        whenShown(form, [&] { tagButton = form.Button4->isVisible(); });
        form.showEntry(1);
        QVERIFY(!tagButton);
    }
};

QTEST_MAIN(FileInfoFormTest)
#include "file_info_form_test.moc"
