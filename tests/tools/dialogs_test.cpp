// The small dialogs, driven the way a user answers them.

#include "tools/about_form.h"
#include "tools/info_form.h"
#include "tools/input_form.h"

#include <QDir>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace kesto;

class DialogsTest : public QObject {
    Q_OBJECT

    // Runs `answer` once the modal dialog is up.
    static void whenShown(QDialog& dialog, std::function<void()> answer) {
        QTimer::singleShot(0, &dialog, [&dialog, answer] {
            QTRY_VERIFY(dialog.isVisible());
            answer();
        });
    }

private Q_SLOTS:
    void askTextCancelKeepsTheCallersText() {
        TInput_Form form;
        QString text = QStringLiteral("/music/a.mp3");
        whenShown(form, [&] {
            QCOMPARE(form.Edit1->selectedText(), QStringLiteral("/music/a.mp3"));
            form.Edit1->setText(QStringLiteral("edited"));
            form.reject();
        });
        QVERIFY(!AskText(form, QStringLiteral("编辑播放列表项目"), QStringLiteral("项目"), text));
        QCOMPARE(text, QStringLiteral("/music/a.mp3"));
        QCOMPARE(form.windowTitle(), QStringLiteral("编辑播放列表项目"));
        QCOMPARE(form.Label1->text(), QStringLiteral("项目"));

        whenShown(form, [&] {
            QTest::keyClicks(form.Edit1, QStringLiteral("http://radio/"));
            QTest::keyClick(form.Edit1, Qt::Key_Return);
        });
        QVERIFY(AskText(form, QStringLiteral("c"), QStringLiteral("p"), text));
        // typing replaced the selected text
        QCOMPARE(text, QStringLiteral("http://radio/"));
    }

    void textWindowShowsTextOrFile() {
        TInfo_Form form;
        ShowTextWindow(form, QStringLiteral("空"), QString(), QString(), false);
        QCOMPARE(form.windowTitle(), QStringLiteral("空"));
        QVERIFY(form.Memo1->toPlainText().isEmpty());
        QCOMPARE(form.size(), QSize(400, 380));

        QTemporaryDir dir;
        QFile f(dir.filePath("notes.txt"));
        QVERIFY(f.open(QIODevice::WriteOnly));
        f.write("第一行\n second");
        f.close();
        ShowTextWindow(form, QStringLiteral("文件"), QString(), f.fileName(), false);
        QCOMPARE(form.Memo1->toPlainText(), QStringLiteral("第一行\n second"));

        // The credits replace the shortcut list in the same window.
        ShowTextWindow(form, QStringLiteral("辅助操作"), ShortcutsText(), QString(), false);
        ShowTextWindow(form, QStringLiteral("致谢   "), creditsReport("/opt/kesto/kesto", 0),
                       QString(), false);
        QVERIFY(form.isVisible());
        QVERIFY(form.Memo1->toPlainText().startsWith(QStringLiteral("常规")));
        QVERIFY(!form.Memo1->toPlainText().contains(QStringLiteral("快捷键")));
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(!form.isVisible());
    }

    void shortcutListLayout() {
        const QStringList lines = ShortcutsText().split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4 + 38 + 3); // headings, entries, blank lines between headings
        QCOMPARE(lines[0], QStringLiteral("主要"));
        QCOMPARE(lines[1], QStringLiteral("  快捷键\t\tF1"));
        QCOMPARE(lines[3], QStringLiteral("  退出\t\t\tEsc"));
        QCOMPARE(lines[4], QString());
        QCOMPARE(lines[5], QStringLiteral("播放"));
        QVERIFY(lines.contains(QStringLiteral("  计算播放列表的时间总和Ctrl + Alt + T")));
        QCOMPARE(lines.last(), QStringLiteral("  粗略定位 (60 秒)\tCtrl + 光标键 <- ->"));
    }

    void creditsSizeText() {
        QLocale::setDefault(QLocale::c());
        QCOMPARE(megabytesText(1048576), QStringLiteral("1"));
        QCOMPARE(megabytesText(1572864), QStringLiteral("1.5"));
        QCOMPARE(megabytesText(1048576 + 10486), QStringLiteral("1.01"));
        QCOMPARE(megabytesText(0), QStringLiteral("0"));
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        QCOMPARE(megabytesText(quint64(1234567) * 1048576 + 524288), QStringLiteral("1.234.567,5"));
        QLocale::setDefault(QLocale::c());

        QTemporaryDir dir;
        const auto make = [&](const QString& rel, qint64 size) {
            QDir(dir.path()).mkpath(QFileInfo(dir.filePath(rel)).path());
            QFile f(dir.filePath(rel));
            QVERIFY(f.open(QIODevice::WriteOnly));
            QVERIFY(f.resize(size));
        };
        make(QStringLiteral("kesto"), 1048576);
        make(QStringLiteral("Schemes/dark.kestoscheme"), 100);
        make(QStringLiteral(".git/objects/big"), 5000000);
        make(QStringLiteral(".hidden-file"), 24);
        QCOMPARE(folderSize(dir.path()), quint64(1048576 + 100 + 24));
        const QString report = creditsReport(QStringLiteral("/opt/kesto/kesto"), 1048576);
        QVERIFY(report.startsWith(QStringLiteral("常规   \r\n  路径: /opt/kesto/kesto\r\n"
                                                 "  程序包总计:    1 MB\r\n\r\n\r\n致谢")));
    }

    void aboutBoxShowsItsVersion() {
        TInfo_Form info;
        TAbout_Form about(info, QDir::tempPath());
        whenShown(about, [&] {
            QCOMPARE(about.LabelVersion->text(), QStringLiteral("1.04b"));
            QTest::mouseClick(about.Button3, Qt::LeftButton);
            QTRY_VERIFY(info.isVisible());
            QCOMPARE(info.windowTitle(), QStringLiteral("致谢   "));
            about.accept();
        });
        QCOMPARE(about.exec(), int(QDialog::Accepted));
        QCOMPARE(about.windowTitle(), QStringLiteral("关于 Kesto..."));
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
