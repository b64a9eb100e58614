// The weekly update check as the window runs it at start-up, against a
// server on this machine.

#include "app/app_kesto.h"
#include "app/header_layout.h"
#include "app/startup.h"
#include "app/status_panels.h"
#include "prefs/preferences_form.h"
#include "prefs/update_check.h"

#include "app_window_fixture.h"
#include "support/loopback_server.h"

#include <QAbstractButton>
#include <QApplication>
#include <QCheckBox>
#include <QMessageBox>
#include <QTest>

#include <sys/stat.h>

namespace kesto {

using test::Fixture;
using test::LoopbackServer;

namespace {

LoopbackServer::Handler replyWith(std::string body) {
    return [body](int fd, const std::string&) {
        test::sendAll(fd, test::httpAnswer(
                              "200 OK", {"Content-Length: " + std::to_string(body.size())}, body));
        return false;
    };
}

QByteArray iniFor(int port, const QByteArray& more = {}) {
    return "[Tweak]\nupdate_server=127.0.0.1:" + QByteArray::number(port) + "\n" + more;
}

QByteArray fileBytes(const QString& path) {
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// A start: the window's deferred work, with the question answered by `answer`.
struct Start : Fixture {
    QStringList questions;
    std::vector<QUrl> opened;
    explicit Start(const QByteArray& ini, bool answer = false) : Fixture(ini) {
        window->questionHook = [this, answer](const QString& text) {
            questions << text;
            return answer;
        };
        window->openUrlHook = [this](const QUrl& url) {
            opened.push_back(url);
        };
    }
    QString infoPanel() const { return window->StatusBar1->text(kInfoPanel); }
    void runAndWait() {
        window->runDeferredStartup();
        QCOMPARE(infoPanel(), QString::fromUtf8(kCheckingForUpdateText));
        // Every outcome ends with the status text cleared.
        QTRY_VERIFY_WITH_TIMEOUT(infoPanel().isEmpty(), 20000);
    }
    // The settings file as the next start finds it, the last check a week ago.
    QByteArray nextStart() {
        player->settings.writeLastVersionCheck(todayLocal() - std::chrono::days{7});
        return fileBytes(file("Kesto.ini"));
    }
};

} // namespace

class UpdateCheckTest : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void aKnownVersionAsksNothing() {
        LoopbackServer server(replyWith("http://example.org/get\n1.04b\nUp to date.\n"));
        Start s(iniFor(server.port()));
        s.runAndWait();
        QVERIFY(s.questions.isEmpty());
        QVERIFY(!QFile::exists(s.file("temp")));
        QVERIFY(s.player->settings.readLastVersionCheck() == todayLocal());
        QCOMPARE(s.player->settings.readLastNewVersion(), std::string("none"));
    }

    void aDeclinedVersionReturnsOnlyAfterTheOptionIsToggled() {
        LoopbackServer server(replyWith("http://example.org/get\n2.0\nKesto 2.0\nis here.\n"));
        QByteArray ini;
        {
            Start first(iniFor(server.port()));
            first.runAndWait();
            QCOMPARE(first.questions, QStringList{"Kesto 2.0\nis here."});
            QCOMPARE(first.player->settings.readLastNewVersion(), std::string("2.0"));
            QVERIFY(first.opened.empty());
            ini = first.nextStart();
        }
        {
            Start second(ini);
            second.runAndWait();
            QVERIFY(second.questions.isEmpty());
            // Off and on again in the preferences.
            TPreferences_Form form(*second.player, PreferencesHost{});
            form.CheckBoxUpdate->setChecked(true);
            form.CheckBoxUpdate->click();
            form.CheckBoxUpdate->click();
            QVERIFY(form.CheckBoxUpdate->isChecked());
            ini = fileBytes(second.file("Kesto.ini"));
        }
        Start third(ini);
        third.runAndWait();
        QCOMPARE(third.questions.size(), 1);
    }

    void theServersMarkupIsShownAsText() {
        const QString html = "<b>New!</b> <a href=\"file:///etc/passwd\">here</a>";
        LoopbackServer server(replyWith("http://example.org/get\n2.0\n" + html.toStdString()));
        Fixture f(iniFor(server.port()));
        QString shown;
        Qt::TextFormat format = Qt::RichText;
        // The real box this time: read it and answer No.
        QTimer poll;
        QObject::connect(&poll, &QTimer::timeout, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            shown = box->text();
            format = box->textFormat();
            box->button(QMessageBox::No)->click();
        });
        poll.start(20);
        f.window->runDeferredStartup();
        QTRY_VERIFY_WITH_TIMEOUT(!shown.isEmpty(), 20000);
        QCOMPARE(shown, html);
        QCOMPARE(format, Qt::PlainText);
        QTRY_COMPARE(f.player->settings.readLastNewVersion(), std::string("2.0"));
    }

    void onlyAWebPageIsEverOpened() {
        for (const char* address : {"file:///etc/passwd", "javascript:alert(1)"}) {
            LoopbackServer server(replyWith(std::string(address) + "\n2.0\nInstall now.\n"));
            Start s(iniFor(server.port()), true);
            s.runAndWait();
            QVERIFY2(s.questions.isEmpty(), address);
            QVERIFY2(s.opened.empty(), address);
            QVERIFY(s.player->settings.readLastVersionCheck() == todayLocal());
        }
        // Yes on a web page opens it, and the player ends so the user can install.
        LoopbackServer server(replyWith("https://example.org/kesto-2.0\n2.0\nInstall now.\n"));
        Start s(iniFor(server.port()), true);
        s.window->show();
        QVERIFY(QTest::qWaitForWindowExposed(s.window.get()));
        s.runAndWait();
        QCOMPARE(s.questions.size(), 1);
        QCOMPARE(s.opened, std::vector<QUrl>{QUrl("https://example.org/kesto-2.0")});
        QTRY_VERIFY(!s.window->isVisible());
        QCOMPARE(s.player->settings.readLastNewVersion(), std::string("none"));
    }

    void anUnansweredServerLeavesTheWindowRunning() {
        test::UnansweredPort nowhere;
        Start s(iniFor(nowhere.port()));
        const std::string tone = test::writeTone(s.dir, "tone.wav", 30);
        s.window->runDeferredStartup();
        // The start-up work has returned with the check still waiting, and
        // the window plays on: the time label moves meanwhile.
        test::playFirst(s, {tone});
        QTRY_VERIFY(!s.window->LabelTime->text().isEmpty());
        const QString first = s.window->LabelTime->text();
        QTRY_VERIFY_WITH_TIMEOUT(s.window->LabelTime->text() != first, 4000);
        QCOMPARE(s.infoPanel(), QString::fromUtf8(kCheckingForUpdateText));
        QVERIFY(s.player->settings.readLastVersionCheck() == kZeroDate);
        // It gives up by itself, silently, and the week starts again.
        QTRY_VERIFY_WITH_TIMEOUT(s.infoPanel().isEmpty(), 20000);
        QVERIFY(s.questions.isEmpty());
        QVERIFY(s.messages.empty());
        QVERIFY(s.player->settings.readLastVersionCheck() == todayLocal());
    }

    void aReadOnlySettingsFileIsNotWritten() {
        LoopbackServer server(replyWith("http://example.org/get\n2.0\nNew.\n"));
        Start s(iniFor(server.port(), "[General]\nlastversioncheck=2026-01-01\n"));
        const QString ini = s.file("Kesto.ini");
        QVERIFY(::chmod(ini.toLocal8Bit().constData(), 0444) == 0);
        const QByteArray before = fileBytes(ini);
        s.runAndWait();
        QCOMPARE(s.questions.size(), 1);
        QVERIFY(!QFile::exists(s.file("temp")));
        QCOMPARE(fileBytes(ini), before);
    }
};

} // namespace kesto

QTEST_MAIN(kesto::UpdateCheckTest)
#include "app_kesto_update_test.moc"
