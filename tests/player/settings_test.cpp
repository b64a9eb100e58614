#include "app/startup.h"
#include "player/ini_document.h"
#include "player/settings.h"
#include "player/settings_startup.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <clocale>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <vector>

namespace kesto {
namespace {

using test::readFile;
using test::TempDir;
using test::writeFile;
using namespace std::chrono;

class SettingsFile : public ::testing::Test {
protected:
    TempDir dir;
    std::string ini = dir.file("Kesto.ini");
};

TEST_F(SettingsFile, ReadsTheWayWindowsProfilesDo) {
    writeFile(ini, "; a comment\n"
                   "[general]\n"
                   "  VOLUME =  640  \n"
                   "volume=10\n"
                   "PlayMode=abc\n"
                   "Device=7x\n"
                   "AutoUpdate=-3\n"
                   "MultipleInstances=\n"
                   "Path = /music/a b/\n"
                   "[General]\n"
                   "EnqueueOption=1\n"
                   "[Window]\r\n"
                   "Width=+400\r\n");
    Settings s(ini);
    EXPECT_EQ(s.readInt("GENERAL", "volume", 1000), 640) << "names ignore case, blanks trimmed";
    EXPECT_EQ(s.readInt("General", "PlayMode", 4), 4) << "non-numeric gives the default";
    EXPECT_EQ(s.readInt("General", "Device", 1), 1) << "trailing garbage is not a number";
    EXPECT_TRUE(s.readBool("General", "AutoUpdate", false)) << "any non-zero integer is true";
    EXPECT_TRUE(s.readBool("General", "MultipleInstances", true))
        << "empty value gives the default";
    EXPECT_EQ(s.readString("General", "Path", ""), "/music/a b/");
    EXPECT_EQ(s.readInt("General", "EnqueueOption", 2), 2)
        << "a later duplicate section is ignored";
    EXPECT_EQ(s.readInt("Window", "Width", 310), 400) << "CR LF lines and a plus sign";
    EXPECT_EQ(s.readInt("Missing", "Width", 310), 310);
    EXPECT_EQ(s.readString("Missing", "x", "def"), "def");
}

TEST_F(SettingsFile, RewriteKeepsEverythingItDoesNotChange) {
    const std::string original = "; kept comment\r\n"
                                 "[Window]\r\n"
                                 "Width=300\r\n"
                                 "Unknown=stays\r\n"
                                 "\r\n"
                                 "[Other]\r\n"
                                 "x=1\r\n";
    writeFile(ini, original);
    Settings s(ini);
    s.writeInt("window", "WIDTH", 420);
    s.writeInt("Window", "Height", 380);
    s.writeString("General", "ActiveScheme", "Schemes/dark.kestoscheme");
    EXPECT_EQ(readFile(ini), "; kept comment\r\n"
                             "[Window]\r\n"
                             "Width=420\r\n"
                             "Unknown=stays\r\n"
                             "Height=380\r\n"
                             "\r\n"
                             "[Other]\r\n"
                             "x=1\r\n"
                             "\r\n"
                             "[General]\r\n"
                             "ActiveScheme=Schemes/dark.kestoscheme\r\n");
    s.deleteKey("WINDOW", "unknown");
    EXPECT_EQ(s.readString("Window", "Unknown", "gone"), "gone");
    EXPECT_EQ(s.readInt("Window", "Width", 0), 420);
}

TEST(IniText, WrittenBackItReadsAsTheSameText) {
    struct Case {
        const char* name;
        std::string text;
        std::string written;
    };
    const Case cases[] = {
        // One ending for the whole file, the first line's.
        {"mixed endings", "a=1\r\nb=2\n", "a=1\r\nb=2\r\n"},
        {"LF file", "[A]\nx=1\n", "[A]\nx=1\n"},
        // Found by the fuzzer: a stray CR before the line end of an LF file
        // turned into a CR LF ending, and the next read lost it.
        {"stray CR", "[A]\nx=1\r\r\n[B]\ny=2\r\n", "[A]\nx=1\n[B]\ny=2\n"},
        {"last line without an end", "[A]\r\nx=1\r", "[A]\r\nx=1\r\n"},
    };
    for (const Case& c : cases) {
        const std::string once = IniDocument::parse(c.text).serialize();
        EXPECT_EQ(once, c.written) << c.name;
        EXPECT_EQ(IniDocument::parse(once).serialize(), once) << c.name;
    }
    EXPECT_EQ(IniDocument::parse("[A]\nx=1\r\r\n").value("A", "x"), std::string_view("1"));
}

TEST(IniText, KeysAreEachNameOnceInFileOrderWithinTheirSection) {
    const IniDocument doc = IniDocument::parse("[A]\nb=1\nA=2\nB=3\n; c=0\nc\nd=4\n"
                                               "[Other]\ne=5\n[a]\nf=6\n");
    // "B" repeats "b" whatever its case; a line without "=" is no key; the
    // second section named "a" is hidden behind the first.
    EXPECT_EQ(doc.keys("a"), (std::vector<std::string>{"b", "A", "d"}));
    EXPECT_EQ(doc.keys("OTHER"), std::vector<std::string>{"e"});
    EXPECT_TRUE(doc.keys("missing").empty());
}

TEST_F(SettingsFile, FirstWriteCreatesTheFileAndEveryReadSeesTheLatestWrite) {
    Settings a(ini);
    EXPECT_EQ(a.readInt("General", "Volume", 1000), 1000);
    a.writeInt("General", "Volume", 500);
    EXPECT_TRUE(test::fileExists(ini));

    // Another process (here: another object) changes the file behind our back.
    Settings b(ini);
    EXPECT_EQ(b.readInt("General", "Volume", 0), 500);
    b.writeInt("General", "Volume", 250);
    EXPECT_EQ(a.readInt("General", "Volume", 0), 250);

    // An editor rewriting the file in place with a different length.
    writeFile(ini, "[General]\nVolume=7\nPlayMode=3\n");
    EXPECT_EQ(a.readInt("General", "Volume", 0), 7);
    EXPECT_EQ(a.readInt("General", "PlayMode", 0), 3);

    // The file removed: defaults again.
    ::unlink(ini.c_str());
    EXPECT_EQ(a.readInt("General", "Volume", 1000), 1000);
}

TEST_F(SettingsFile, RewriteKeepsPermissionsAndFollowsALink) {
    writeFile(ini, "[General]\nVolume=1\n");
    ::chmod(ini.c_str(), 0640);
    const std::string link = dir.file("link.ini");
    ASSERT_EQ(::symlink(ini.c_str(), link.c_str()), 0);
    Settings s(link);
    s.writeInt("General", "Volume", 2);
    struct stat st {};
    ASSERT_EQ(::lstat(link.c_str(), &st), 0);
    EXPECT_TRUE(S_ISLNK(st.st_mode)) << "the link itself stays a link";
    ASSERT_EQ(::stat(ini.c_str(), &st), 0);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
    EXPECT_EQ(Settings(ini).readInt("General", "Volume", 0), 2);
}

TEST_F(SettingsFile, AFailingWriteIsSwallowed) {
    Settings s(dir.file("no/such/folder/Kesto.ini"));
    EXPECT_NO_THROW(s.writeInt("General", "Volume", 3));
    EXPECT_EQ(s.readInt("General", "Volume", 9), 9);
}

// Every writer of the settings file, each run against a frozen file.
TEST_F(SettingsFile, ReadOnlyFileIsNeverModified) {
    const std::string content = "[General]\nVolume=123\n[Root media]\npath0=/m/\n";
    writeFile(ini, content);
    ::chmod(ini.c_str(), 0444);
    ASSERT_TRUE(IniIsReadOnly(ini)) << "decided by the mode, also for root";
    struct stat before {};
    ::stat(ini.c_str(), &before);

    Settings s(ini);
    const InstanceEndpoints nowhere{dir.file("x.lock"), dir.file("x.sock")};
    const std::vector<std::pair<const char*, std::function<void()>>> writers = {
        {"writeInt",
         [&] {
             s.writeInt("General", "Volume", 1);
         }},
        {"writeBool",
         [&] {
             s.writeBool("General", "AutoUpdate", false);
         }},
        {"writeString",
         [&] {
             s.writeString("General", "lastnewversion", "2.0");
         }},
        {"writeDate",
         [&] {
             s.writeLastVersionCheck(sys_days{2026y / 1 / 2});
         }},
        {"deleteKey",
         [&] {
             s.deleteKey("General", "Volume");
         }},
        {"association",
         [&] {
             s.writeAssociation("mp3", true);
         }},
        {"save on exit",
         [&] {
             saveOnExit(s, ExitValues{});
         }},
        {"music folders",
         [&] {
             saveRootMedia(s, {"/a"}, "/a/", "/a/");
         }},
        {"-setglobalhotkeys",
         [&] {
             HandleCommandLine("-setglobalhotkeys", s, nowhere, sys_days{2026y / 1 / 2});
         }},
        {"-setlastupdatecheck",
         [&] {
             HandleCommandLine("-setlastupdatecheck", s, nowhere, sys_days{2026y / 1 / 2});
         }},
    };
    for (const auto& [name, write] : writers) {
        write();
        EXPECT_EQ(readFile(ini), content) << name;
        struct stat after {};
        ::stat(ini.c_str(), &after);
        EXPECT_EQ(after.st_ino, before.st_ino) << name << " replaced the file";
    }
    EXPECT_EQ(s.readInt("General", "Volume", 0), 123) << "reads are not affected";
    EXPECT_FALSE(IniIsReadOnly(dir.file("missing.ini")));
}

TEST_F(SettingsFile, MusicFoldersStopAtTheFirstGap) {
    writeFile(ini, "[Root media]\npath0=/m/a/\npath1=/m/b/\npath3=/m/d/\n");
    Settings s(ini);
    EXPECT_EQ(loadRootMedia(s), (std::vector<std::string>{"/m/a/", "/m/b/"}));

    writeFile(ini, "[Root media]\npath0=/m/a/\npath1=\npath2=/m/c/\n");
    EXPECT_EQ(loadRootMedia(s), (std::vector<std::string>{"/m/a/"}))
        << "an empty value ends it too";

    saveRootMedia(s, {"/x", "/y/", ""}, "/x/sub/", "/x/");
    EXPECT_EQ(s.readString("Root media", "path0", ""), "/x/") << "separator added";
    EXPECT_EQ(s.readString("Root media", "path1", ""), "/y/");
    EXPECT_EQ(s.readString("Root media", "path2", "?"), "") << "an empty value stays empty";
    EXPECT_EQ(s.readString("Root media", "path3", "none"), "none") << "old keys erased";
    EXPECT_EQ(s.readString("DirBox", "LastOpenedDir", ""), "/x/sub/");
    EXPECT_EQ(s.readString("DirBox", "LastOpenedDrive", ""), "/x/");
}

TEST_F(SettingsFile, LoadAtStartDefaultsAndQuotedDelimiter) {
    writeFile(ini, "[Tweak]\nRelativeDelimiter=\"  /  \"\n[Global hotkeys]\n0=000-1\n"
                   "1=0110-80\n12=1000-176\n");
    Settings s(ini);
    const StartupValues v = loadAtStart(s, false, {1024, 768}, "/tmp/");
    EXPECT_EQ(v.versionCaption, "Kesto 1.04b");
    EXPECT_EQ(v.relativeDelimiter, "  /  ");
    EXPECT_EQ(v.geometry, (WindowGeometry{1024 / 2 - 310 / 2, 768 / 2 - 370 / 2, 310, 370}));
    EXPECT_EQ(v.enqueueOption, 0) << "the start-up read has its own default";
    EXPECT_EQ(s.readEnqueueOption(), 2);
    EXPECT_EQ(v.vuStyle, VUStyle::SevenLeds);
    EXPECT_EQ(v.track, -1);
    EXPECT_EQ(v.volume, 1000);
    EXPECT_EQ(v.recordTempPath, "/tmp/");
    EXPECT_EQ(v.cachingTime, 120);
    EXPECT_TRUE(v.globalHotkeys[0].empty()) << "shorter than six characters";
    EXPECT_EQ(v.globalHotkeys[1], "0110-80");
    EXPECT_EQ(v.globalHotkeys[12], "1000-176");
    EXPECT_EQ(unquoteDelimiter("\"a\"b\""), "ab");
}

// The modes are numbers in the file; a number the program never wrote falls
// back to the default instead of reaching a switch that has no case for it.
TEST_F(SettingsFile, ModesReadFromTheFileAreAlwaysOnesTheProgramKnows) {
    struct Case {
        const char* text;
        PlayMode playMode;
        VUStyle vuStyle;
        ViewFormat viewFormat;
        SortingWay sortingWay;
    };
    const Case cases[] = {
        {"PlayMode=4\n[Window]\nVUStyle=0\n[Playlist]\nViewFormat=2\nSortingWay=1\n",
         PlayMode::Shuffle, VUStyle::None, ViewFormat::RelativePath, SortingWay::FileName},
        // 3 once meant the fourteen-LED meter too
        {"PlayMode=3\n[Window]\nVUStyle=3\n[Playlist]\nViewFormat=1\nSortingWay=0\n",
         PlayMode::PlayFile, VUStyle::FourteenLeds, ViewFormat::FullPath, SortingWay::WholeEntry},
        {"PlayMode=9\n[Window]\nVUStyle=7\n[Playlist]\nViewFormat=-1\nSortingWay=2\n",
         PlayMode::RepeatList, VUStyle::SevenLeds, ViewFormat::FileName, SortingWay::WholeEntry},
        {"PlayMode=-2\n[Window]\nVUStyle=-1\n[Playlist]\nViewFormat=3\nSortingWay=-1\n",
         PlayMode::RepeatList, VUStyle::SevenLeds, ViewFormat::FileName, SortingWay::WholeEntry},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        writeFile(ini, std::string("[General]\n") + c.text);
        Settings s(ini);
        const StartupValues v = loadAtStart(s, false, {1024, 768}, "/tmp/");
        EXPECT_EQ(v.playMode, c.playMode);
        EXPECT_EQ(v.vuStyle, c.vuStyle);
        EXPECT_EQ(v.viewFormat, c.viewFormat);
        EXPECT_EQ(v.sortingWay, c.sortingWay);
    }
}

TEST_F(SettingsFile, GeometryComesFromWindowOrWindow2) {
    writeFile(ini, "[Window]\nWidth=500\nHeight=400\nLeft=10\nTop=20\nMaximized=1\n"
                   "[Window2]\nWidth=200\nHeight=100\n");
    Settings s(ini);
    const StartupValues plain = loadAtStart(s, false, {1000, 800}, "/tmp/");
    EXPECT_EQ(plain.geometry, (WindowGeometry{10, 20, 500, 400}));
    EXPECT_TRUE(plain.startMaximized);
    const StartupValues withPath = loadAtStart(s, true, {1000, 800}, "/tmp/");
    EXPECT_EQ(withPath.geometry, (WindowGeometry{1000 / 2 - 100, 800 / 2 - 50, 200, 100}))
        << "defaults centre the size just read";
    EXPECT_FALSE(withPath.startMaximized) << "only the plain start reads Maximized";
}

TEST_F(SettingsFile, SaveOnExitWritesTheRightGeometry) {
    const std::string before = "[Window]\nWidth=1\nHeight=2\nLeft=3\nTop=4\nMaximized=0\n"
                               "[Window2]\nWidth=5\nHeight=6\nLeft=7\nTop=8\n"
                               "[Playlist]\nTrack=9\n";
    ExitValues v;
    v.normalGeometry = {100, 200, 300, 400};
    v.volume = 640;
    v.playMode = PlayMode::Shuffle;
    v.viewFormat = ViewFormat::RelativePath;
    v.lastOpenedDir = "/music/x/";

    // Started with a path and closed maximised: Maximized set, Window2 untouched.
    writeFile(ini, before);
    Settings s(ini);
    v.maximized = true;
    v.startedWithPath = true;
    saveOnExit(s, v);
    EXPECT_TRUE(s.readBool("Window", "Maximized", false));
    EXPECT_EQ(s.readInt("Window2", "Width", 0), 5);
    EXPECT_EQ(s.readInt("Window", "Width", 0), 1);
    EXPECT_EQ(s.readInt("Playlist", "Track", 0), 9) << "empty playlist leaves Track alone";
    EXPECT_EQ(s.readInt("General", "Volume", 0), 640);
    EXPECT_EQ(s.readInt("General", "PlayMode", 0), 4);
    EXPECT_EQ(s.readInt("Playlist", "ViewFormat", 0), 2);
    EXPECT_EQ(s.readString("DirBox", "LastOpenedDir", ""), "/music/x/");

    // Started with a path at normal size: Window2 gets it, Window stays.
    writeFile(ini, before);
    v.maximized = false;
    saveOnExit(s, v);
    EXPECT_EQ(s.readInt("Window2", "Left", 0), 100);
    EXPECT_EQ(s.readInt("Window2", "Height", 0), 400);
    EXPECT_EQ(s.readInt("Window", "Left", 0), 3);

    // Started without a path at normal size: Window gets it and Maximized 0.
    writeFile(ini, "[Window]\nMaximized=1\n");
    v.startedWithPath = false;
    v.playlistHasEntries = true;
    v.track = 17;
    saveOnExit(s, v);
    EXPECT_EQ(s.readInt("Window", "Top", 0), 200);
    EXPECT_EQ(s.readInt("Window", "Width", 0), 300);
    EXPECT_FALSE(s.readBool("Window", "Maximized", true));
    EXPECT_EQ(s.readInt("Playlist", "Track", 0), 17);
}

TEST(SettingsDate, WrittenDatesReadBackWhateverTheReadersLocale) {
    const Date dates[] = {kZeroDate, sys_days{2026y / 12 / 8}, sys_days{2000y / 2 / 29},
                          sys_days{1969y / 1 / 1}, sys_days{2026y / 1 / 31}};
    for (const char* fmt :
         {"%m/%d/%y", "%d.%m.%Y", "%Y年%m月%d日", "%Y/%m/%d", "%d/%m/%y", "%d-%m-%y"}) {
        for (const Date d : dates) {
            const std::string text = formatDate(d);
            EXPECT_EQ(parseDate(text, fmt), d) << fmt << " read " << text;
        }
    }
    EXPECT_EQ(formatDate(sys_days{2026y / 1 / 2}), "2026-01-02");
    EXPECT_EQ(formatDate(kZeroDate), "1899-12-30");
}

TEST(SettingsDate, ShortDatesOfEarlierVersionsStillRead) {
    const struct {
        const char* text;
        const char* readerFormat;
        std::optional<Date> expected;
    } cases[] = {
        // the reader's own locale wrote them
        {"08.12.2026", "%d.%m.%Y", sys_days{2026y / 12 / 8}},
        {"2026年12月08日", "%Y年%m月%d日", sys_days{2026y / 12 / 8}},
        {"08/12/26", "%d/%m/%y", sys_days{2026y / 12 / 8}},
        {"12/08/26", "%m/%d/%y", sys_days{2026y / 12 / 8}},
        // the maintenance switch ran in the C locale, with a four-digit year
        {"12/08/2026", "%d.%m.%Y", sys_days{2026y / 12 / 8}},
        {"12/08/2026", "%Y年%m月%d日", sys_days{2026y / 12 / 8}},
        {"12/08/2026", "%m/%d/%y", sys_days{2026y / 12 / 8}},
        // an ISO-looking text that is not one
        {"26-12-08", "%Y/%m/%d", std::nullopt},
        {"26-12-08", "%y-%m-%d", sys_days{2026y / 12 / 8}},
        {"2026-13-01", "%d.%m.%Y", std::nullopt},
        {"2026-1-01", "%d.%m.%Y", std::nullopt},
        {"yesterday", "%m/%d/%y", std::nullopt},
        {"02/30/2026", "%m/%d/%y", std::nullopt},
        {"", "%m/%d/%y", std::nullopt},
    };
    for (const auto& c : cases)
        EXPECT_EQ(parseDate(c.text, c.readerFormat), c.expected)
            << c.text << " read as " << c.readerFormat;
}

// Sets the process's locale for the scope of one case.
class LocaleScope {
public:
    explicit LocaleScope(const char* name) : saved_(std::setlocale(LC_ALL, nullptr)) {
        ok_ = std::setlocale(LC_ALL, name) != nullptr;
    }
    ~LocaleScope() { std::setlocale(LC_ALL, saved_.c_str()); }
    LocaleScope(const LocaleScope&) = delete;
    LocaleScope& operator=(const LocaleScope&) = delete;
    bool ok() const { return ok_; }

private:
    std::string saved_;
    bool ok_ = false;
};

// "-setlastupdatecheck" runs before the toolkit takes on the user's locale;
// the player reads the date in the user's. Each pair of locales, either way.
TEST(SettingsDate, TheSwitchsDateReadsBackInEveryLocale) {
    TempDir dir;
    const InstanceEndpoints endpoints{dir.file("k.lock"), dir.file("k.sock")};
    const Date today = sys_days{2026y / 12 / 8};
    const char* locales[] = {"C", "C.UTF-8", "zh_CN.UTF-8", "de_DE.UTF-8"};
    for (const char* name : locales) {
        const LocaleScope probe(name);
        ASSERT_TRUE(probe.ok()) << "locale " << name
                                << " is missing: ./test.sh generates it (kesto_generate_locales "
                                   "in scripts/packages.sh)";
    }
    for (const char* writer : locales) {
        for (const char* reader : locales) {
            const std::string ini = dir.file(std::string(writer) + "-" + reader + ".ini");
            {
                const LocaleScope scope(writer);
                Settings settings(ini);
                ASSERT_TRUE(HandleCommandLine("-setlastupdatecheck", settings, endpoints, today));
            }
            const LocaleScope scope(reader);
            Settings settings(ini);
            EXPECT_EQ(settings.readLastVersionCheck(), today)
                << "written under " << writer << " as "
                << settings.readString("General", "lastversioncheck", "") << ", read under "
                << reader;
        }
    }
}

TEST_F(SettingsFile, DedicatedAccessorsAndTheirDefaults) {
    Settings s(ini);
    s.setDateFormat("%d.%m.%Y");
    EXPECT_EQ(s.readLastVersionCheck(), kZeroDate);
    EXPECT_EQ(s.readLastNewVersion(), "none");
    EXPECT_FALSE(s.readAssociation("mp3"));
    s.writeLastVersionCheck(sys_days{2026y / 12 / 8});
    EXPECT_EQ(s.readString("General", "lastversioncheck", ""), "2026-12-08");
    EXPECT_EQ(s.readLastVersionCheck(), sys_days{2026y / 12 / 8});
    writeFile(ini, "[General]\nlastversioncheck=garbage\n");
    EXPECT_EQ(s.readLastVersionCheck(), kZeroDate);
    s.writeAssociation("ogg", true);
    EXPECT_TRUE(s.readAssociation("OGG"));
}

} // namespace
} // namespace kesto
