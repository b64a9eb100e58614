// The small dialogs, driven the way a user answers them.

#include "tools/about_form.h"
#include "tools/info_form.h"
#include "tools/input_form.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <QTimer>

#include <cmath>

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
        ShowTextWindow(form, QStringLiteral("辅助操作"),
                       ShortcutsText(QFontMetricsF(QApplication::font()), 40), QString(), false);
        ShowTextWindow(form, QStringLiteral("致谢   "), creditsReport("/opt/kesto/kesto", 0),
                       QString(), false);
        QVERIFY(form.isVisible());
        QVERIFY(form.Memo1->toPlainText().startsWith(QStringLiteral("常规")));
        QVERIFY(!form.Memo1->toPlainText().contains(QStringLiteral("快捷键")));
        QTest::keyClick(&form, Qt::Key_Escape);
        QVERIFY(!form.isVisible());
    }

    void shortcutListLayout() {
        const QStringList lines =
            ShortcutsText(QFontMetricsF(QApplication::font()), 40).split(QLatin1Char('\n'));
        QCOMPARE(lines.size(), 4 + 38 + 3); // headings, entries, blank lines between headings
        QCOMPARE(lines[0], QStringLiteral("主要"));
        QVERIFY(QRegularExpression(QStringLiteral("^  快捷键 ?\t+F1$")).match(lines[1]).hasMatch());
        QVERIFY(QRegularExpression(QStringLiteral("^  退出 ?\t+Esc$")).match(lines[3]).hasMatch());
        QCOMPARE(lines[4], QString());
        QCOMPARE(lines[5], QStringLiteral("播放"));
        QVERIFY(
            QRegularExpression(QStringLiteral("^  粗略定位 \\(60 秒\\) ?\t+Ctrl \\+ 光标键 <- ->$"))
                .match(lines.last())
                .hasMatch());
    }

    // In the window that shows it, every line's keys start at one column,
    // right of the longest label.
    void shortcutKeysLineUp() {
        TInfo_Form form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        for (const int points : {8, 9, 12, 16}) {
            QFont font = form.Memo1->font();
            font.setPointSize(points);
            form.Memo1->setFont(font);
            ShowTextWindow(
                form, QStringLiteral("辅助操作"),
                ShortcutsText(QFontMetricsF(form.Memo1->font()), form.Memo1->tabStopDistance()),
                QString(), false);
            QTextDocument* doc = form.Memo1->document();
            QList<qreal> keyColumns;
            qreal labelsEnd = 0;
            for (QTextBlock b = doc->begin(); b.isValid(); b = b.next()) {
                const QString text = b.text();
                if (!text.startsWith(QStringLiteral("  ")))
                    continue;
                doc->documentLayout()->blockBoundingRect(b); // lays the line out
                const QTextLine line = b.layout()->lineAt(0);
                const int firstTab = static_cast<int>(text.indexOf(QLatin1Char('\t')));
                QVERIFY2(firstTab > 0, qPrintable(text));
                labelsEnd = std::max(labelsEnd, line.cursorToX(firstTab));
                keyColumns << line.cursorToX(static_cast<int>(text.lastIndexOf(QLatin1Char('\t'))) +
                                             1);
            }
            QCOMPARE(keyColumns.size(), 38);
            for (qreal x : keyColumns)
                QVERIFY2(std::abs(x - keyColumns.first()) < 0.5,
                         qPrintable(QStringLiteral("%1 pt: keys at %2 and %3")
                                        .arg(points)
                                        .arg(keyColumns.first())
                                        .arg(x)));
            QVERIFY(keyColumns.first() > labelsEnd);
        }
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

    // The about box links only to what is there: the help document when it
    // is installed, and no web or mail address the project does not have.
    void aboutBoxNamesOnlyWhatExists() {
        TInfo_Form info;
        for (const bool installed : {false, true}) {
            QTemporaryDir folder;
            if (installed) {
                QFile doc(folder.filePath(QStringLiteral("Documentation.html")));
                QVERIFY(doc.open(QIODevice::WriteOnly));
            }
            TAbout_Form about(info, folder.path());
            int opened = 0;
            about.openDocumentation = [&] {
                ++opened;
            };
            QStringList shown;
            bool linkShown = false;
            whenShown(about, [&] {
                for (const QLabel* l : about.findChildren<QLabel*>())
                    if (l->isVisible())
                        shown << l->text();
                linkShown = about.Label6->isVisible();
                if (linkShown)
                    QTest::mouseClick(about.Label6, Qt::LeftButton);
                else
                    about.accept();
            });
            QCOMPARE(about.exec(), int(QDialog::Accepted));
            for (const QString& text : shown)
                QVERIFY2(!text.contains(QStringLiteral("://")) && !text.contains(QLatin1Char('@')),
                         qPrintable(text));
            QCOMPARE(linkShown, installed);
            QCOMPARE(opened, installed ? 1 : 0);
        }
    }
};

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
