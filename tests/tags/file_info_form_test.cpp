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

    struct World {
        TempDir home;
        FakeView view;
        Player player{AppPaths(home.path()), view};
        std::string put(const std::string& name, const std::string& bytes) {
            test::writeFile(home.file(name), bytes);
            player.playlist.PlaylistEntries.push_back(home.file(name));
            view.lines = static_cast<int>(player.playlist.PlaylistEntries.size());
            return home.file(name);
        }
    };

private Q_SLOTS:
    void refusesANameWithoutExtensionThenRenames() {
        World w;
        const std::string song = w.put("my__song.mp3", tagged("Title"));
        TFileInfo_Form form(w.player);
        bool closedByOk = false;
        whenShown(form, [&] {
            QCOMPARE(form.windowTitle(), QStringLiteral("重命名单个文件"));
            QCOMPARE(form.Edit1->text(), QStringLiteral("my__song.mp3"));
            QCOMPARE(form.Edit1->selectedText(), QStringLiteral("my__song.mp3"));
            QVERIFY(form.Edit1->hasFocus());
            QVERIFY(form.Memo1->toPlainText().contains(QStringLiteral("\n大小: \t428 字节 \n")));
            QVERIFY(!form.Memo1->toPlainText().contains(QLatin1Char('\r')));
            QVERIFY(form.Button4->isVisible());

            form.Edit1->setText(QStringLiteral("no extension"));
            QTest::mouseClick(form.Button1, Qt::LeftButton);
            QVERIFY(form.isVisible());
            QCOMPARE(w.view.messages.size(), std::size_t{1});
            QVERIFY(test::fileExists(song));

            form.Edit1->setText(QStringLiteral("my__song%20%20x.mp3"));
            QTest::mouseClick(form.Button3, Qt::LeftButton);
            QCOMPARE(form.Edit1->text(), QStringLiteral("my song x.mp3"));
            QTest::mouseClick(form.Button1, Qt::LeftButton);
            closedByOk = !form.isVisible();
        });
        form.showEntry(0);
        QVERIFY(closedByOk);
        QCOMPARE(w.player.playlist.PlaylistEntries[0], w.home.file("my song x.mp3"));
        QVERIFY(test::fileExists(w.home.file("my song x.mp3")));
        QVERIFY(!test::fileExists(song));
    }

    void tagButtonShowsTheTagForMp3Only() {
        World w;
        w.put("a.mp3", tagged("中文"));
        w.put("b.wav", "RIFF");
        TFileInfo_Form form(w.player);
        QString caption, text;
        form.showText = [&](const QString& c, const QString& t) {
            caption = c;
            text = t;
        };
        whenShown(form, [&] { QTest::mouseClick(form.Button4, Qt::LeftButton); });
        form.showEntry(0);
        QCOMPARE(caption, QStringLiteral("查看 MP3 标签"));
        QVERIFY(text.contains(QStringLiteral("\nMP3v1 标签:\n标题:  中文\n")));
        QVERIFY(text.contains(QStringLiteral("流派:  Blues\n")));
        QVERIFY(!text.contains(QStringLiteral("ID3v2")));

        bool tagButton = true;
        whenShown(form, [&] { tagButton = form.Button4->isVisible(); });
        form.showEntry(1);
        QVERIFY(!tagButton);
    }
};

QTEST_MAIN(FileInfoFormTest)
#include "file_info_form_test.moc"
