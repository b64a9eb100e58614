// The recorder in the main window: the record command and the transport
// bar's record button change their caption, the save dialog gets the WAV
// filter and the proposed name, and Exit while recording asks to save
// before the window goes. The "station" is a local WAV file opened through
// the network seam.

#include "app/app_actions.h"
#include "app/app_kesto.h"
#include "app/header_layout.h"
#include "playback/output.h"
#include "player/player.h"
#include "stream/recorder_files.h"

#include "app/app_window_fixture.h"

#include <QAction>
#include <QRegularExpression>
#include <QTest>
#include <QToolButton>

using namespace kesto;
using namespace kesto::test;

namespace {

struct RecordFixture {
    Fixture f;
    QTemporaryDir temp;
    QStringList questions;
    QList<QPair<QStringList, QString>> saves;
    QString saveAnswer;

    RecordFixture() {
        const std::string station = writeTone(f.dir, "station.wav", 30);
        Player& p = *f.player;
        p.stream.hooks.openUrl = [&p, station](const std::string&, std::uint32_t) {
            return ConnectResult{p.audio.StreamCreateFile(station, kStreamDecode), 0};
        };
        p.settings.writeString("General", "RecordTempPath", temp.path().toStdString() + "/");
        f.window->questionHook = [this](const QString& text) {
            questions << text;
            return true;
        };
        f.window->saveHook = [this](const QStringList& filters, const QString& name) {
            saves.append({filters, name});
            return saveAnswer;
        };
    }
    std::string tempFile(int n) const { return tempFilePath(temp.path().toStdString() + "/", n); }
    bool playing() { return outputState(*f.player) == ChannelState::Playing; }
};

} // namespace

class RecordWindowTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void captionsFollowTheRecordingAndTheSaveDialogProposesAName() {
        RecordFixture r;
        TAppKesto& w = *r.f.window;
        // Wide enough for the whole recording line beside the meter.
        w.resize(900, 400);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        playFirst(r.f, {"http://radio.test/live|Radio"});
        QTRY_VERIFY_WITH_TIMEOUT(r.playing(), 10000);
        QAction* record = w.actions().RecordStartAc;
        QCOMPARE(record->text(), QStringLiteral("录制(&R)"));
        w.SpeedButton[5]->click();
        QCOMPARE(r.questions, QStringList{QStringLiteral("要开始录制吗？")});
        QCOMPARE(record->text(), QStringLiteral("停止录制(&R)"));
        QCOMPARE(w.SpeedButton[5]->toolTip(), QStringLiteral("停止录制(R)"));
        QTRY_VERIFY(QFileInfo(QString::fromStdString(r.tempFile(0))).size() > 0);
        QTRY_VERIFY2(
            w.LabelTime->shownText().startsWith(QStringLiteral("正在录制...  剩余: ")),
            qPrintable(w.LabelTime->text() + QStringLiteral(" | ") + w.LabelTime->shownText()));
        // In a window too narrow for all of it, the line is cut short, not gone.
        w.resize(w.minimumSizeHint().width() + 120, 400);
        QTRY_VERIFY2(w.LabelTime->shownText().startsWith(QStringLiteral("正在录制")),
                     qPrintable(w.LabelTime->shownText()));
        QVERIFY(w.LabelTime->shownText() != w.LabelTime->text());
        QVERIFY(w.LabelTime->fontMetrics().horizontalAdvance(w.LabelTime->shownText()) <=
                w.LabelTime->contentsRect().width());
        w.resize(900, 400);

        r.saveAnswer = r.f.file("mix.wav");
        record->trigger(); // the second time stops
        QCOMPARE(r.questions.last(), QStringLiteral("录制已经停止。\n要保存录制吗？"));
        QCOMPARE(record->text(), QStringLiteral("录制"));
        QCOMPARE(r.saves.size(), 1);
        QCOMPARE(r.saves[0].first, (QStringList{QStringLiteral("Wave 文件 (*.wav)"),
                                                QStringLiteral("所有文件 (*.*)")}));
        QVERIFY2(
            QRegularExpression(QStringLiteral("^Mix \\d{4}-\\d\\d-\\d\\d \\d\\d-\\d\\d\\.wav$"))
                .match(r.saves[0].second)
                .hasMatch(),
            qPrintable(r.saves[0].second));
        QVERIFY(QFileInfo(r.saveAnswer).size() > 44);
        QVERIFY(!QFileInfo::exists(QString::fromStdString(r.tempFile(0))));
        QCOMPARE(r.f.messages.back().second,
                 QStringLiteral("流媒体被成功保存到         \n") + r.saveAnswer);
    }

    void exitWhileRecordingAsksToSaveFirst() {
        RecordFixture r;
        TAppKesto& w = *r.f.window;
        w.show();
        playFirst(r.f, {"http://radio.test/live"});
        QTRY_VERIFY_WITH_TIMEOUT(r.playing(), 10000);
        w.actions().RecordStartAc->trigger();
        QTRY_VERIFY(QFileInfo(QString::fromStdString(r.tempFile(0))).size() > 0);
        bool visibleWhenAsked = false;
        r.f.window->questionHook = [&](const QString& text) {
            r.questions << text;
            visibleWhenAsked = w.isVisible();
            return false;
        };
        w.actions().EscAc->trigger();
        QCOMPARE(r.questions.last(), QStringLiteral("录制已经停止。\n要保存录制吗？"));
        QVERIFY(visibleWhenAsked);
        QVERIFY(!w.isVisible());
        QVERIFY(r.saves.isEmpty());
        QVERIFY(!QFileInfo::exists(QString::fromStdString(r.tempFile(0))));
    }
};

QTEST_MAIN(RecordWindowTest)
#include "record_window_test.moc"
