// Scheme files and the two built-in looks.

#include "prefs/list_style.h"

#include <QFile>
#include <QFontMetrics>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

using namespace kesto;

class ListStyleTest : public QObject {
    Q_OBJECT
    QTemporaryDir dir;
    QPalette palette;

    QString scheme(const QByteArray& text) {
        const QString path = dir.filePath("test.kestoscheme");
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
            qFatal("cannot write scheme");
        f.write(text);
        return path;
    }

private Q_SLOTS:
    void initTestCase() {
        // A palette whose roles are all different, so a wrong role shows.
        palette.setColor(QPalette::Base, QColor(1, 1, 1));
        palette.setColor(QPalette::Text, QColor(2, 2, 2));
        palette.setColor(QPalette::Highlight, QColor(3, 3, 3));
        palette.setColor(QPalette::HighlightedText, QColor(4, 4, 4));
        palette.setColor(QPalette::Dark, QColor(5, 5, 5));
    }

    void onlyAFontSizeGivesTahomaWithDesktopColours() {
        const ListStyle s = LoadScheme(scheme("[Style]\nfont_size=12\n"), palette);
        QCOMPARE(s.fontName, QStringLiteral("Tahoma"));
        QCOMPARE(s.fontSize, 12);
        QVERIFY(!s.fontBold);
        QVERIFY(s.playingBold);
        QFont tahoma(QStringLiteral("Tahoma"));
        tahoma.setPointSize(12);
        QCOMPARE(s.itemHeight, QFontMetrics(tahoma).height());
        QCOMPARE(s.background.resolve(palette), QColor(1, 1, 1));
        QCOMPARE(s.fontColor.resolve(palette), QColor(2, 2, 2));
        QCOMPARE(s.selectionColor.resolve(palette), QColor(3, 3, 3));
        QCOMPARE(s.playingSelectionColor.resolve(palette), QColor(3, 3, 3));
        QCOMPARE(s.selectedFontColor.resolve(palette), QColor(4, 4, 4));
        QCOMPARE(s.shuffledColor.resolve(palette), QColor(5, 5, 5));
        QCOMPARE(s.queuedColor.resolve(palette), QColor(0xFF, 0x6F, 0x28));
        // A scheme fixes the colours of the moment: a later theme change does not reach it.
        QPalette changed = palette;
        changed.setColor(QPalette::Base, Qt::red);
        QCOMPARE(s.background.resolve(changed), QColor(1, 1, 1));
    }

    void valuesAndTheirQuirks() {
        const ListStyle s = LoadScheme(scheme("[Other]\nbackground_color=#00FF00\n"
                                              "[STYLE]\n"
                                              "Background_Color=102030\n"
                                              "font_name=DejaVu Sans\n"
                                              "font_bold=5\n"
                                              "font_color=#aabbcc\n"
                                              "font_color_selected=#FFFFFF\n"
                                              "selection_color=zz\n"
                                              "playingitem_bold=0\n"
                                              "queueditem_color=#99123456\n"),
                                       palette);
        QCOMPARE(s.background.resolve(palette), QColor(0x10, 0x20, 0x30));
        QCOMPARE(s.fontName, QStringLiteral("DejaVu Sans"));
        QCOMPARE(s.fontSize, 8);
        QVERIFY(s.fontBold);
        QVERIFY(!s.playingBold);
        QCOMPARE(s.fontColor.resolve(palette), QColor(0xAA, 0xBB, 0xCC));
        // A colour that is not a number keeps its default.
        QCOMPARE(s.selectionColor.resolve(palette), QColor(3, 3, 3));
        // The playing selected colour follows the selected font colour just read.
        QCOMPARE(s.playingSelectedColor.resolve(palette), QColor(0xFF, 0xFF, 0xFF));
        QCOMPARE(s.queuedColor.resolve(palette), QColor(0x12, 0x34, 0x56));
    }

    void fontSizesOutOfReasonAreBounded() {
        // Past a few thousand points the metrics wrap into a negative line height.
        for (const QByteArray size : {"16000", "2147483647"}) {
            const ListStyle s = LoadScheme(scheme("[Style]\nfont_size=" + size + "\n"), palette);
            QCOMPARE(s.fontSize, 288);
            QVERIFY(s.itemHeight > 0);
            QCOMPARE(s.font().pointSize(), 288);
        }
        const ListStyle negative = LoadScheme(scheme("[Style]\nfont_size=-5\n"), palette);
        QCOMPARE(negative.font().pointSize(), 8);
        QVERIFY(negative.itemHeight > 0);
    }

    void missingFileGivesAllDefaults() {
        const ListStyle s = LoadScheme(dir.filePath("none.kestoscheme"), palette);
        QCOMPARE(s.fontName, QStringLiteral("Tahoma"));
        QCOMPARE(s.fontSize, 8);
        QCOMPARE(s.playingSelectedColor.resolve(palette), QColor(4, 4, 4));
    }

    // A scheme comes from anywhere: a FIFO, a link to /dev/zero and a file
    // of megabytes read as no file, without holding the window.
    void onlyARegularFileOfASchemesSizeIsRead() {
        const QString fifo = dir.filePath("fifo.kestoscheme");
        QCOMPARE(::mkfifo(QFile::encodeName(fifo).constData(), 0600), 0);
        const QString zero = dir.filePath("zero.kestoscheme");
        QVERIFY(QFile::link("/dev/zero", zero));
        const QByteArray valid = "[Style]\nfont_size=12\n";
        QString big = scheme(valid + QByteArray(kMaxSchemeBytes - valid.size(), '\n'));
        QCOMPARE(LoadScheme(big, palette).fontSize, 12); // just at the limit
        big = scheme(valid + QByteArray(kMaxSchemeBytes - valid.size() + 1, '\n'));
        for (const QString& path : {fifo, zero, big}) {
            const ListStyle s = LoadScheme(path, palette);
            QCOMPARE(s.fontSize, 8);
            QCOMPARE(s.fontName, QStringLiteral("Tahoma"));
        }
    }

    void builtInLooks() {
        const ListStyle zero = ApplyBuiltInLook(0, ListStyle{}, QStringLiteral("Noto Sans"));
        QCOMPARE(zero.fontName, QStringLiteral("Noto Sans"));
        QCOMPARE(zero.fontSize, 8);
        QCOMPARE(zero.itemHeight, 13);
        QVERIFY(zero.playingBold);
        QCOMPARE(zero.playingColor, zero.fontColor);
        QCOMPARE(zero.playingSelectedColor, zero.selectedFontColor);
        QCOMPARE(zero.queuedColor.resolve(palette), QColor(0xFF, 0x6F, 0x28));
        // Look 0 keeps following the desktop.
        QPalette changed = palette;
        changed.setColor(QPalette::Base, Qt::red);
        QCOMPARE(zero.background.resolve(changed), QColor(Qt::red));

        const ListStyle one = ApplyBuiltInLook(1, zero, QStringLiteral("ignored"));
        QCOMPARE(one.fontName, QStringLiteral("Noto Sans"));
        QCOMPARE(one.fontSize, 14);
        QCOMPARE(one.itemHeight, 24);
        QCOMPARE(one.background.resolve(palette), QColor(0xFD, 0x02, 0x47));
        QCOMPARE(one.fontColor.resolve(palette), QColor(Qt::white));
        QCOMPARE(one.selectionColor.resolve(palette), QColor(0x80, 0x00, 0x40));
        QCOMPARE(one.playingColor.resolve(palette), QColor(0xFF, 0x80, 0xFF));
        QCOMPARE(one.queuedColor.resolve(palette), QColor(0xFF, 0x80, 0xC0));
        QCOMPARE(one.shuffledColor.resolve(palette), QColor(5, 5, 5));
    }
};

QTEST_MAIN(ListStyleTest)
#include "list_style_test.moc"
