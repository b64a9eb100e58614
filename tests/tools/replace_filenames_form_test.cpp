// The multiple file renamer driven as a user works it: the live preview,
// the questions before renaming, the refusal of an impossible name and the
// find field the next showing starts with.

#include "tools/replace_filenames_form.h"

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
        if (dialog.isVisible())
            dialog.reject();
    });
}

} // namespace

class RenamerFormTest : public QObject {
    Q_OBJECT

    struct World {
        TempDir home;
        FakeView view;
        Player player{AppPaths(home.path()), view};
        std::vector<std::string>& entries = player.playlist.PlaylistEntries;
        // Files on disk, all selected.
        void put(std::initializer_list<const char*> names) {
            for (const char* name : names) {
                test::writeFile(home.file(name), name);
                entries.push_back(home.file(name));
                view.selected.insert(static_cast<int>(entries.size()) - 1);
            }
            view.lines = static_cast<int>(entries.size());
        }
    };

private Q_SLOTS:
    void previewsRenamesAndRefills() {
        World w;
        w.put({"one.mp3", "two.mp3"});
        TReplaceFilenames_Form form(w.player);
        whenShown(form, [&] {
            QCOMPARE(form.Edit1->text(), QString());
            QVERIFY(form.Edit1->hasFocus());
            form.Edit2->setText(QStringLiteral("01 "));
            QCOMPARE(form.Memo2->toPlainText(), QStringLiteral("01 one.mp3\n01 two.mp3"));
            form.Edit1->setText(QStringLiteral("MP3"));
            QCOMPARE(form.Memo2->toPlainText(), QStringLiteral("one.01 \ntwo.01 "));
            // A name left as "?" is refused, and nothing is renamed.
            form.Edit1->setText(QStringLiteral("two.mp3"));
            form.Edit2->setText(QStringLiteral("?"));
            w.view.answers = {true};
            QTest::mouseClick(form.Button1, Qt::LeftButton);
            QCOMPARE(w.view.messages.size(), std::size_t{1});
            QCOMPARE(w.view.messages[0].kind, MessageKind::Warning);
            QCOMPARE(w.view.messages[0].text,
                     std::string("您想要重命名\rtwo.mp3\r为 '?'.\r无法进行。"));
            QVERIFY(test::fileExists(w.home.file("one.mp3")));
            QVERIFY(test::fileExists(w.home.file("two.mp3")));

            form.Edit1->setText(QStringLiteral("O"));
            form.Edit2->setText(QStringLiteral("0"));
            QCOMPARE(form.Memo2->toPlainText(), QStringLiteral("0ne.mp3\ntw0.mp3"));
            w.view.answers = {true};
            QTest::mouseClick(form.Button1, Qt::LeftButton);
            QCOMPARE(w.view.questions.size(), std::size_t{2});
            QCOMPARE(w.view.messages.size(), std::size_t{2});
            QCOMPARE(w.view.messages[1].text,
                     std::string("2 个文件已经被重命名。\r检查您的播放列表中更新的文件。"));
            // Shown again: the targets are the renamed lines, the find field
            // the first file's name.
            QCOMPARE(form.Edit1->text(), QStringLiteral("0ne.mp3"));
            QCOMPARE(form.targets().front(), w.home.file("0ne.mp3"));
        });
        form.showForSelection();
        QCOMPARE(w.entries,
                 (std::vector<std::string>{w.home.file("0ne.mp3"), w.home.file("tw0.mp3")}));
        QVERIFY(test::fileExists(w.home.file("tw0.mp3")));
    }

    void asksFirstAboveAHundredAndRemembersThePress() {
        World w;
        for (int i = 0; i < 101; ++i)
            w.entries.push_back(w.home.file("f" + std::to_string(i) + ".mp3"));
        for (int i = 0; i < 101; ++i)
            w.view.selected.insert(i);
        w.view.lines = 101;
        TReplaceFilenames_Form form(w.player);
        whenShown(form, [&] {
            form.Edit2->setText(QStringLiteral("x"));
            QTest::mouseClick(form.Button1, Qt::LeftButton); // answered No
        });
        form.showForSelection();
        QCOMPARE(w.view.questions,
                 (std::vector<std::string>{"您大约要重命名 > 100 个文件！\r\r要继续吗？"}));
        QVERIFY(form.used());
        QString find;
        whenShown(form, [&] { find = form.Edit1->text(); });
        form.showForSelection();
        QCOMPARE(find, QStringLiteral("f0.mp3"));
        QCOMPARE(w.entries[0], w.home.file("f0.mp3"));
    }
};

QTEST_MAIN(RenamerFormTest)
#include "replace_filenames_form_test.moc"
