// The preferences window worked as a user works it, over a player in its own
// program folder and temporary XDG folders.

#include "prefs/preferences_form.h"

#include "player/paths.h"
#include "player/player.h"
#include "prefs/associations.h"
#include "prefs/hotkeys_page.h"
#include "support/fake_view.h"
#include "support/temp_dir.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <filesystem>
#include <map>
#include <sys/stat.h>

using namespace kesto;
using kesto::test::FakeView;
using kesto::test::TempDir;

namespace {

// Every file under `root`, by path, with its bytes.
std::map<std::string, std::string> snapshot(const std::string& root) {
    std::map<std::string, std::string> files;
    std::error_code ec;
    for (const auto& e : std::filesystem::recursive_directory_iterator(root, ec))
        if (e.is_regular_file())
            files[e.path().string()] = test::readFile(e.path().string());
    return files;
}

struct World {
    TempDir home;
    TempDir xdg;
    FakeView view;
    Player player{AppPaths(home.path()), view};
    std::vector<VUStyle> styles;
    int foldersChanged = 0;
    QString browseAnswer;

    World() {
        qputenv("XDG_CONFIG_HOME", xdg.file("config").c_str());
        qputenv("XDG_DATA_HOME", xdg.file("data").c_str());
        qunsetenv("XDG_CURRENT_DESKTOP");
    }
    std::string ini() const { return home.file("Kesto.ini"); }
    PreferencesHost host() {
        PreferencesHost h;
        h.setVUStyle = [this](VUStyle s) {
            styles.push_back(s);
        };
        h.vuStyle = [] {
            return VUStyle::FourteenLeds;
        };
        h.autoUpdateAtStart = [] {
            return false;
        };
        h.musicFoldersChanged = [this] {
            ++foldersChanged;
        };
        return h;
    }
    FileAssociations associations() {
        return FileAssociations(DesktopPlaces::fromEnvironment(), executablePath(),
                                player.settings);
    }
    // Shows the window modally and runs `script` inside it, then closes it.
    void withWindow(TPreferences_Form& form, const std::function<void()>& script) {
        form.browseForFolder = [this](const QString&, const QString&) {
            return browseAnswer;
        };
        QTimer::singleShot(0, &form, [&form, script] {
            script();
            form.reject();
        });
        form.showPreferences();
    }
};

} // namespace

class PreferencesFormTest : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void showingTheWindowChangesNothing() {
        World w;
        test::writeFile(w.ini(), "[General]\nEnqueueOption=1\nMultipleInstances=1\nAutoUpdate=1\n"
                                 "Device=7\nPreferencesHistory=4\nRecordSecAhead=30\n"
                                 "[Associations]\nmp3=1\npls=1\n[Window]\nVUStyle=0\n");
        test::makeDirs(w.xdg.file("config"));
        test::writeFile(w.xdg.file("config/mimeapps.list"),
                        "[Default Applications]\naudio/mpeg=other.desktop;\n");
        w.player.playlist.PlaylistEntries = {"/m/b/1.mp3", "/m/a/2.mp3"};
        const auto ini = test::readFile(w.ini());
        const auto xdg = snapshot(w.xdg.path());

        TPreferences_Form form(w.player, w.host());
        w.withWindow(form, [&] {
            QCOMPARE(test::readFile(w.ini()), ini);
            QVERIFY(snapshot(w.xdg.path()) == xdg);
            QVERIFY(w.styles.empty());
            // What it shows is what is stored, or what this run started with.
            QVERIFY(form.RadioEnqueue2->isChecked());
            QVERIFY(form.CheckMI->isChecked());
            QVERIFY(!form.CheckBoxUpdate->isChecked());
            QVERIFY(!form.CheckBox2->isChecked());
            QVERIFY(form.RadioLed14->isChecked());
            QVERIFY(form.RadioSort2->isChecked());
            QCOMPARE(form.Edit3->text(), QStringLiteral("30"));
            QCOMPARE(form.ComboDevice->currentIndex(), -1); // no seventh device
            QVERIFY(form.GroupRecord->isVisible());
            QCOMPARE(form.LabelVoldB->text(), QStringLiteral("Kesto 输出电平:     0,0 dB"));
            QCOMPARE(form.LabelBufferlength->text(), QStringLiteral("缓冲时长: 3000 毫秒"));
        });
        QCOMPARE(w.player.playlist.PlaylistEntries,
                 (std::vector<std::string>{"/m/b/1.mp3", "/m/a/2.mp3"}));
        // Closing stores the page, nothing else.
        QCOMPARE(w.player.settings.readInt("General", "PreferencesHistory", 0), 4);
        QVERIFY(snapshot(w.xdg.path()) == xdg);
    }

    void everyControlWritesAtOnceUnlessTheFileIsReadOnly() {
        World w;
        test::writeFile(w.ini(), "[General]\nlastnewversion=2.0\n");
        TPreferences_Form form(w.player, w.host());
        w.withWindow(form, [&] {
            Settings& s = w.player.settings;
            form.RadioEnqueue1->click();
            QCOMPARE(s.readEnqueueOption(), 0);
            form.CheckMI->click();
            QVERIFY(s.readBool("General", "MultipleInstances", false));
            form.CheckBoxUpdate->click();
            QVERIFY(s.readBool("General", "AutoUpdate", false));
            QCOMPARE(s.readLastNewVersion(), std::string("none"));
            QVERIFY(s.readLastVersionCheck() == kZeroDate);
            form.CheckBox6->click();
            QVERIFY(s.readBool("General", "RecordAhead", false));
            form.Edit3->setText("45");
            form.Edit3->setText("4x");
            form.Edit3->setText("");
            QCOMPARE(s.readInt("General", "RecordSecAhead", 0), 45);
            // A cancelled folder dialog falls back to the temporary folder.
            form.Button10->click();
            QCOMPARE(form.Edit2->text().toStdString(), GetTempDir());
            QCOMPARE(s.readString("General", "RecordTempPath", ""), GetTempDir());
            form.RadioLed0->click();
            QCOMPARE(w.styles, std::vector<VUStyle>{VUStyle::None});
            form.CheckBox2->click();
            QVERIFY(w.associations().IsTypeClaimed("mp3"));
            QVERIFY(s.readAssociation("mp3"));
            form.CheckBox2->click();
            QVERIFY(!w.associations().IsTypeClaimed("mp3"));

            ::chmod(w.ini().c_str(), 0444);
            const std::string before = test::readFile(w.ini());
            form.RadioEnqueue3->click();
            form.CheckMI->click();
            form.CheckBox6->click();
            form.Edit3->setText("99");
            QCOMPARE(test::readFile(w.ini()), before);
            QVERIFY(form.RadioEnqueue3->isChecked()); // the control still changes
            ::chmod(w.ini().c_str(), 0644);
        });
    }

    void sortRadiosSortThePlaylistInMemoryOnly() {
        World w;
        w.player.playlist.PlaylistEntries = {"/m/b/1.mp3", "/m/a/2.mp3", "/m/a/3.mp3"};
        TPreferences_Form form(w.player, w.host());
        w.withWindow(form, [&] {
            form.RadioSort1->click();
            QVERIFY(w.player.playlist.SortingWay == SortingWay::FileName);
            QCOMPARE(w.player.playlist.PlaylistEntries,
                     (std::vector<std::string>{"/m/b/1.mp3", "/m/a/2.mp3", "/m/a/3.mp3"}));
            form.RadioSort2->click();
            QCOMPARE(w.player.playlist.PlaylistEntries,
                     (std::vector<std::string>{"/m/a/2.mp3", "/m/a/3.mp3", "/m/b/1.mp3"}));
        });
        QVERIFY(test::readFile(w.ini()).find("SortingWay") == std::string::npos);
    }

    void theHotkeysPageCapturesAndAssigns() {
        World w;
        test::writeFile(w.ini(), "[Global hotkeys]\n1=0000-179\n3=0110-75\n");
        std::vector<bool> reports;
        PreferencesHost host = w.host();
        host.registerHotkeys = [&](bool report) {
            reports.push_back(report);
        };
        host.hotkeysWork = [] {
            return false;
        };
        TPreferences_Form form(w.player, std::move(host));
        HotkeysPage& page = *form.hotkeys;
        const auto line = [&](int n) {
            const QTreeWidgetItem* item = page.ListBox1->topLevelItem(n);
            return item->text(0) + "|" + item->text(1);
        };
        w.withWindow(form, [&] {
            QCOMPARE(page.ListBox1->topLevelItemCount(), 13);
            QCOMPARE(line(1), QStringLiteral("播放/暂停|Media key: Play/Pause"));
            QVERIFY(page.LabelNoGrabs->isVisibleTo(form.GroupHotkeys));
            page.ListBox1->setCurrentItem(page.ListBox1->topLevelItem(5));
            QCOMPARE(page.Edit1->text(), QString());
            QTest::keyClick(page.Edit1, Qt::Key_K, Qt::ControlModifier | Qt::AltModifier);
            QCOMPARE(page.Edit1->text(), QStringLiteral("Ctrl + Alt + K"));
            page.Button9->click();
            QCOMPARE(line(5), QStringLiteral("提高音量|Ctrl + Alt + K"));
            QCOMPARE(line(3), QStringLiteral("下一首|"));
            // A bare modifier stores nothing; Delete alone removes.
            QTest::keyClick(page.Edit1, Qt::Key_Control, Qt::ControlModifier);
            page.Button9->click();
            QCOMPARE(line(5), QStringLiteral("提高音量|Ctrl + Alt + K"));
            QTest::keyClick(page.Edit1, Qt::Key_Delete);
            QCOMPARE(page.Edit1->text(), QString());
            page.Button9->click();
            QCOMPARE(line(5), QStringLiteral("提高音量|"));
            QTest::keyClick(page.Edit1, Qt::Key_Delete, Qt::ShiftModifier);
            QCOMPARE(page.Edit1->text(), QStringLiteral("Shift + Delete"));
            // Nothing is ever typed into the field.
            QTest::keyClicks(page.Edit1, "ab");
            QCOMPARE(page.Edit1->text(), QStringLiteral("B"));
            form.PageList->setCurrentItem(form.PageList->topLevelItem(TPreferences_Form::Hotkeys));
        });
        // Failures are reported only when the window closes on this page.
        w.withWindow(form, [&] {
            form.PageList->setCurrentItem(form.PageList->topLevelItem(TPreferences_Form::Media));
        });
        QCOMPARE(reports, (std::vector<bool>{true, false}));
    }

    void musicFoldersAreStoredOnEveryAddAndDelete() {
        World w;
        test::writeFile(w.ini(), "[Root media]\nstale=/old/\n");
        TPreferences_Form form(w.player, w.host());
        w.withWindow(form, [&] {
            // Deleting from an empty list still writes the section afresh.
            form.Button5->click();
            QVERIFY(test::readFile(w.ini()).find("stale") == std::string::npos);
            w.browseAnswer = "/music/one";
            form.Button4->click();
            w.browseAnswer = "";
            form.Button4->click(); // cancelled: nothing added
            QCOMPARE(form.ListMusicFolders->count(), 1);
            QCOMPARE(form.ListMusicFolders->item(0)->text(), QStringLiteral("/music/one/"));
            QCOMPARE(w.player.settings.readString("Root media", "path0", ""),
                     std::string("/music/one/"));
            QCOMPARE(w.player.playlist.RootMediaList, std::vector<std::string>{"/music/one/"});
            form.ListMusicFolders->setCurrentRow(0);
            form.Button5->click();
            QVERIFY(w.player.playlist.RootMediaList.empty());
            QCOMPARE(w.foldersChanged, 4);
        });
    }
};

QTEST_MAIN(PreferencesFormTest)
#include "preferences_form_test.moc"
