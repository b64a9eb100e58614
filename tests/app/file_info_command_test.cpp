// F2 through the main window: which window a selection opens, the
// messages for streams and missing files, and the renamer menu item.

#include "app/app_window_fixture.h"

#include "playlist/list_view.h"
#include "tags/file_info_form.h"
#include "tools/replace_filenames_form.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenuBar>
#include <QTest>

using namespace kesto;
using namespace kesto::test;

namespace {

// The modal window F2 opens, closed again once seen; null when none opened.
template <class Form> Form* modalOf(QAction* action) {
    Form* seen = nullptr;
    QTimer::singleShot(100, [&seen] {
        if (auto* form = qobject_cast<Form*>(QApplication::activeModalWidget())) {
            seen = form;
            form->reject();
        }
    });
    action->trigger();
    QTest::qWait(300);
    return seen;
}

} // namespace

class FileInfoCommandTest : public QObject {
    Q_OBJECT

    void show(Fixture& f, std::vector<std::string> entries, std::vector<int> selected) {
        f.player->playlist.PlaylistEntries = std::move(entries);
        RefreshListView(*f.player, false, false);
        f.window->clearSelection();
        f.window->selectLines(selected);
        f.window->setFocusedLine(selected.front());
    }

private Q_SLOTS:
    void oneLineOpensItsPropertiesSeveralTheRenamer() {
        Fixture f;
        f.window->show();
        const std::string a = writeTone(f.dir, "a.wav", 1);
        const std::string b = writeTone(f.dir, "b.wav", 1);
        QAction* f2 = f.window->actions().FileInfoAc;
        QVERIFY(f2->isEnabled());
        QCOMPARE(f2->shortcut(), QKeySequence(Qt::Key_F2));

        show(f, {a, b}, {1});
        auto* info = modalOf<TFileInfo_Form>(f2);
        QVERIFY(info != nullptr);
        QCOMPARE(info->Edit1->text(), QStringLiteral("b.wav"));

        show(f, {a, b}, {0, 1});
        auto* renamer = modalOf<TReplaceFilenames_Form>(f2);
        QVERIFY(renamer != nullptr);
        QCOMPARE(renamer->targets(), (std::vector<std::string>{a, b}));
        QVERIFY(f.messages.empty());
    }

    void streamsAndMissingFilesAreRefused() {
        Fixture f;
        f.window->show();
        const std::string a = writeTone(f.dir, "a.wav", 1);
        QAction* f2 = f.window->actions().FileInfoAc;

        show(f, {a, "http://radio.example/live"}, {0, 1});
        QVERIFY(modalOf<TReplaceFilenames_Form>(f2) == nullptr);
        QCOMPARE(f.messages.size(), std::size_t{1});
        QCOMPARE(f.messages[0].second,
                 QStringLiteral("您的属性请求无效。\n请只选择音乐文件或一个 url 对象。"));

        const std::string gone = f.file("gone.mp3").toStdString();
        show(f, {a, gone}, {1});
        QVERIFY(modalOf<TFileInfo_Form>(f2) == nullptr);
        QCOMPARE(f.messages.back().second, QString::fromStdString("文件未找到。\n\n" + gone));

        // The renamer's menu item with one line selected only explains.
        QAction* item = f.window->menuBar()->findChild<QAction*>(QStringLiteral("RenameMenuItem"));
        QVERIFY(item != nullptr);
        show(f, {a, gone}, {0});
        item->trigger();
        QCOMPARE(f.messages.back().second, QStringLiteral("请先选择多个对象，再按下 F2。"));
    }
};

QTEST_MAIN(FileInfoCommandTest)
#include "file_info_command_test.moc"
