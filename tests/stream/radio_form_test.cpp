// The stream properties dialog, driven the way a user answers it, with the
// station's answer scripted.

#include "stream/radio_form.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>

using namespace kesto;

class RadioFormTest : public QObject {
    Q_OBJECT

    // The fetches the dialog asked for, answered by the test.
    struct Station {
        QStringList asked;
        std::vector<std::function<void(const QString&)>> replies;
    };
    static TRadio_Form::FetchName answering(Station& station) {
        return [&station](const QString& url, std::function<void(const QString&)> done) {
            station.asked << url;
            station.replies.push_back(std::move(done));
        };
    }
    static void whenShown(QDialog& dialog, std::function<void()> answer) {
        QTimer::singleShot(0, &dialog, [&dialog, answer] {
            QTRY_VERIFY(dialog.isVisible());
            answer();
        });
        // A failed check leaves the answer early: the dialog still closes.
        QTimer::singleShot(5000, &dialog, &QDialog::reject);
    }

private Q_SLOTS:
    void showsTheEntryAndCopiesBackOnOk() {
        Station station;
        TRadio_Form form(answering(station));
        QString url = QStringLiteral("http://r.example/live");
        QString title = QStringLiteral("老电台");
        whenShown(form, [&] {
            QCOMPARE(form.windowTitle(), QStringLiteral("属性"));
            QCOMPARE(form.Label1->text(), QStringLiteral("网址"));
            QCOMPARE(form.Label2->text(), QStringLiteral("标题"));
            QCOMPARE(form.Button1->toolTip(), QStringLiteral("检索官方标题..."));
            QCOMPARE(form.Edit1->selectedText(), url);
            QCOMPARE(form.focusWidget(), form.Edit1);
            form.Edit2->setText(QStringLiteral("新电台"));
            form.OkButton->click();
        });
        QVERIFY(form.editEntry(url, title));
        QCOMPARE(title, QStringLiteral("新电台"));
        QCOMPARE(url, QStringLiteral("http://r.example/live"));
    }

    // The window goes on while the station answers; OK waits for the name.
    void renameShowsTheNoticeThenTheName() {
        Station station;
        TRadio_Form form(answering(station));
        QString url = QStringLiteral("http://r.example/live");
        QString title = url;
        whenShown(form, [&] {
            form.Button1->click();
            QCOMPARE(form.Edit2->text(), QStringLiteral("正在获取名称..."));
            QVERIFY(!form.OkButton->isEnabled());
            QVERIFY(!form.Button1->isEnabled());
            QCOMPARE(station.asked, QStringList{url});
            QTimer::singleShot(20, &form, [&] {
                station.replies.back()(QStringLiteral("Jazz FM"));
                QCOMPARE(form.Edit2->text(), QStringLiteral("Jazz FM"));
                QVERIFY(form.OkButton->isEnabled());
                form.OkButton->click();
            });
        });
        QVERIFY(form.editEntry(url, title));
        QCOMPARE(title, QStringLiteral("Jazz FM"));
    }

    // A station that does not answer in time leaves the address as the
    // title; its answer, should it come later, changes nothing.
    void silentStationTimesOutAndItsLateAnswerIsIgnored() {
        Station station;
        TRadio_Form form(answering(station));
        form.setFetchTimeout(50);
        QString url = QStringLiteral("http://r.example/live");
        QString title = QStringLiteral("Old");
        whenShown(form, [&] {
            form.Button1->click();
            QTRY_COMPARE(form.Edit2->text(), url);
            QVERIFY(form.OkButton->isEnabled());
            station.replies.back()(QStringLiteral("Too late"));
            QCOMPARE(form.Edit2->text(), url);
            form.reject();
        });
        QVERIFY(!form.editEntry(url, title));
        QCOMPARE(title, QStringLiteral("Old"));
        // An answer for a dialog that was closed meanwhile reaches nothing.
        station.replies.back()(QStringLiteral("Later still"));
        QCOMPARE(form.Edit2->text(), url);
    }
};

QTEST_MAIN(RadioFormTest)
#include "radio_form_test.moc"
