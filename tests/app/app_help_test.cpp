// What the help says beside what the program does: the key list against the
// actions' own keys, the open dialog's filter against the playlist readers,
// and the desktop opener that must say when it failed.

#include "app/app_kesto.h"
#include "controls/gorse_listbox.h"
#include "playlist/entry.h"
#include "tools/about_form.h"
#include "tools/info_form.h"

#include "app_window_fixture.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFontMetricsF>
#include <QProcess>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <set>

using namespace kesto;
using namespace kesto::test;

namespace {

// "Ctrl + Alt + E" and "Ctrl+Alt+E" alike.
QString keyToken(QString text) {
    return text.remove(QLatin1Char(' ')).toLower();
}

// The key list's entries: label and the keys it names.
QHash<QString, QStringList> shortcutRows() {
    QHash<QString, QStringList> rows;
    const QString text = ShortcutsText(QFontMetricsF(QApplication::font()), 40);
    for (const QString& line : text.split(QLatin1Char('\n'))) {
        if (!line.startsWith(QStringLiteral("  ")))
            continue;
        const QStringList parts = line.split(QLatin1Char('\t'), Qt::SkipEmptyParts);
        QStringList keys;
        for (const QString& k : parts.last().split(QLatin1Char(',')))
            keys << keyToken(k);
        rows.insert(parts.first().trimmed(), keys);
    }
    return rows;
}

// PATH for the program under test: `folder` first, then the system's tools.
struct PathOverride {
    QByteArray saved = qgetenv("PATH");
    explicit PathOverride(const QString& folder) {
        qputenv("PATH", (folder + QStringLiteral(":/usr/bin:/bin")).toLocal8Bit());
    }
    ~PathOverride() { qputenv("PATH", saved); }
};

// An xdg-open that writes its argument to $KESTO_TEST_OPENED and ends with
// $KESTO_TEST_OPEN_EXIT, as the real one ends with 3 or 4 when the desktop
// has no handler.
void writeFakeOpener(const QTemporaryDir& bin) {
    const QString path = bin.filePath(QStringLiteral("xdg-open"));
    writeText(path, "#!/bin/sh\n"
                    "printf '%s\\n' \"$1\" >> \"$KESTO_TEST_OPENED\"\n"
                    "exit \"${KESTO_TEST_OPEN_EXIT:-0}\"\n");
    QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
}

QStringList linesOf(const QString& path) {
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return {};
    return QString::fromUtf8(f.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

class AppHelpTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void initTestCase() {
        qputenv("DBUS_SESSION_BUS_ADDRESS", "unix:path=/nonexistent/kesto-test-bus");
    }

    void keyListNamesTheKeysTheCommandsHave() {
        // Each listed command with the action whose key it names.
        static const std::pair<const char*, const char*> commands[] = {
            {"快捷键", "ShortcutsAc"},
            {"设置", "PreferencesAc"},
            {"退出", "EscAc"},
            {"播放选定的文件", "PlayAc"},
            {"暂停", "PauseAc"},
            {"下一首", "NextAc"},
            {"上一首", "PrevAc"},
            {"切换随机播放，循环", "PlayModeToggleAc"},
            {"录制在线音乐", "RecordStartAc"},
            {"添加文件", "OpenFileAc"},
            {"添加在线流媒体音乐", "AddRadioAc"},
            {"打开一个音乐文件目录", "OpenDirAc"},
            {"添加一个音乐文件目录", "AddDirAc"},
            {"载入 kesto 播放列表", "LoadPlayListAc"},
            {"保存 kesto 播放列表", "SavePlaylistAc"},
            {"切换全部编排列表", "ViewFormatPathAc"},
            {"从列表移除文件", "DeleteAc"},
            {"删除文件到回收站", "RealDelAc"},
            {"属性", "FileInfoAc"},
            {"打开文件所在的文件夹", "ExplorerFile"},
            {"最大化, 还原", "MaximizeAc"},
            {"最小化到托盘", "MinimizeAc"},
            {"在当前列表中查找文件", "FindAc"},
            {"检查上次打开的目录中的文件更新", "RefreshAc"},
            {"浏览 kesto 所在的目录", "ExplorerExe"},
            {"重置 PulseAudio 混音器", "ResetMixerAc"},
            {"计算播放列表的时间总和", "TotalTimeAc"},
        };
        const QHash<QString, QStringList> rows = shortcutRows();
        Fixture f;
        for (const auto& [label, action] : commands) {
            const QString name = QString::fromUtf8(label);
            QVERIFY2(rows.contains(name), qPrintable(name));
            QStringList keys;
            const auto* command = f.window->findChild<QAction*>(QString::fromLatin1(action));
            QVERIFY2(command, action);
            for (const QKeySequence& k : command->shortcuts())
                keys << keyToken(k.toString(QKeySequence::PortableText));
            bool named = false;
            for (const QString& k : keys)
                named = named || rows[name].contains(k);
            QVERIFY2(named,
                     qPrintable(name + QStringLiteral(": ") + rows[name].join(QLatin1Char('|')) +
                                QStringLiteral(" lacks ") + keys.join(QLatin1Char('|'))));
        }
        // The mixer is the sound server's, not another system's.
        for (auto it = rows.cbegin(); it != rows.cend(); ++it)
            QVERIFY2(!it.key().contains(QStringLiteral("windows")), qPrintable(it.key()));
    }

    void previousIsShiftTab() {
        Fixture f;
        QAction* previous = f.window->actions().PrevAc;
        // What the menu shows beside 上一首.
        QCOMPARE(previous->shortcut().toString(QKeySequence::NativeText),
                 QStringLiteral("Shift+Tab"));
        f.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(f.window.get()));
        f.window->ListScreen->setFocus();
        QSignalSpy triggered(previous, &QAction::triggered);
        // Shift+Tab arrives as Backtab with Shift held.
        QTest::keyClick(f.window->ListScreen, Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(triggered.count(), 1);
    }

    void openPlaylistFilterAdmitsEveryPlaylistKind() {
        const QString filter = playlistOpenFilter();
        const QRegularExpressionMatch first =
            QRegularExpression(QStringLiteral("\\(([^)]*)\\)")).match(filter);
        QVERIFY(first.hasMatch());
        std::set<EntryKind> kinds;
        for (const QString& pattern : first.captured(1).split(QLatin1Char(' '))) {
            QVERIFY2(pattern.startsWith(QStringLiteral("*.")), qPrintable(pattern));
            const EntryKind kind = ClassifyEntry("/music/list" + pattern.mid(1).toStdString());
            // Nothing but playlists.
            QVERIFY2(static_cast<int>(kind) >= static_cast<int>(EntryKind::M3uList),
                     qPrintable(pattern));
            kinds.insert(kind);
        }
        QCOMPARE(kinds,
                 (std::set<EntryKind>{EntryKind::M3uList, EntryKind::PlsList, EntryKind::AsxList,
                                      EntryKind::B4sList, EntryKind::TxtList}));
    }

    void missingDocumentNamesOnlyWhatExists() {
        QTemporaryDir bin; // no opener at all
        PathOverride path(bin.path());
        Fixture f;
        f.window->actions().DocAc->trigger();
        QCOMPARE(f.messages.size(), std::size_t{1});
        QCOMPARE(f.messages[0].second,
                 QStringLiteral("找不到帮助文档 Documentation.html。\n请重新安装 Kesto；按 F1 "
                                "可以查看快捷键列表。"));
    }

    void desktopOpenerFailuresAreReported() {
        QTemporaryDir bin;
        writeFakeOpener(bin);
        PathOverride path(bin.path());
        const QString log = bin.filePath(QStringLiteral("opened.txt"));
        qputenv("KESTO_TEST_OPENED", log.toLocal8Bit());
        Fixture f;
        const QString doc = f.file("Documentation.html");
        writeText(doc, "<html></html>");
        const auto openersDone = [&] {
            return f.window->findChildren<QProcess*>().isEmpty();
        };

        // The opener takes the document and succeeds: nothing to say.
        qputenv("KESTO_TEST_OPEN_EXIT", "0");
        f.window->actions().DocAc->trigger();
        QTRY_VERIFY(openersDone());
        QCOMPARE(linesOf(log), QStringList{QUrl::fromLocalFile(doc).toString()});
        QVERIFY(f.messages.empty());

        // It starts, then fails: the user hears why once it has ended.
        qputenv("KESTO_TEST_OPEN_EXIT", "3");
        f.window->actions().DocAc->trigger();
        QTRY_VERIFY(openersDone());
        QCOMPARE(f.messages.size(), std::size_t{1});
        QCOMPARE(f.messages[0].second,
                 QStringLiteral("这个桌面没有可以打开帮助文档的程序。\n\n") + doc);

        // The program folder's file manager alike.
        f.window->actions().ExplorerExe->trigger();
        QTRY_VERIFY(openersDone());
        QCOMPARE(f.messages.size(), std::size_t{2});
        QCOMPARE(f.messages[1].second,
                 QStringLiteral("这个桌面没有可以打开文件夹的文件管理器。\n\n") + f.dir.path());
        QCOMPARE(linesOf(log).size(), 3);
        qunsetenv("KESTO_TEST_OPENED");
        qunsetenv("KESTO_TEST_OPEN_EXIT");
    }
};

QTEST_MAIN(AppHelpTest)
#include "app_help_test.moc"
