#include "app/startup.h"
#include "player/paths.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/stat.h>

namespace kesto {
namespace {

using test::TempDir;
using namespace std::chrono;

TEST(CommandLine, SwitchesAreExactWholeTexts) {
    EXPECT_EQ(classifySwitch("-quit"), CommandSwitch::Quit);
    EXPECT_EQ(classifySwitch("-setlastupdatecheck"), CommandSwitch::SetLastUpdateCheck);
    EXPECT_EQ(classifySwitch("-setglobalhotkeys"), CommandSwitch::SetGlobalHotkeys);
    EXPECT_EQ(classifySwitch("-setrootpath"), CommandSwitch::SetRootPath);
    for (const char* path :
         {"-QUIT", "-Quit", "-quit ", "quit", "-quitx", "", "-reg", "-unreg", "-SetRootPath"})
        EXPECT_EQ(classifySwitch(path), CommandSwitch::None) << path;
}

TEST(CommandLine, RelativeArgumentsResolveAgainstTheCallersFolder) {
    const struct {
        const char* argument;
        const char* expected;
    } cases[] = {
        {"song.mp3", "/home/u/music/song.mp3"},
        {"./a/../b.ogg", "/home/u/music/b.ogg"},
        {"../other/", "/home/u/other/"},
        {"专辑/歌.mp3", "/home/u/music/专辑/歌.mp3"},
        {"/abs/x.mp3", "/abs/x.mp3"},
        {"http://radio.example/live", "http://radio.example/live"},
        {"C:\\music\\x.mp3", "C:\\music\\x.mp3"},
        {"-quit", "-quit"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(absoluteArgument(c.argument, "/home/u/music"), c.expected) << c.argument;
}

TEST(ProgramFolder, ChosenInTheDocumentedOrder) {
    TempDir dir;
    const std::string exe = dir.file("bin");
    test::makeDirs(exe);
    EXPECT_EQ(resolveProgramFolder(dir.file("home/").c_str(), exe, nullptr, nullptr),
              dir.file("home"));
    EXPECT_TRUE(test::fileExists(dir.file("home"))) << "KESTO_HOME is created";
    EXPECT_EQ(resolveProgramFolder(nullptr, exe, nullptr, nullptr), exe);
    EXPECT_EQ(resolveProgramFolder("", exe + "/", nullptr, nullptr), exe);

    // An executable folder we may not write to sends us to the configuration folder.
    const std::string missing = dir.file("not-there");
    EXPECT_EQ(resolveProgramFolder(nullptr, missing, dir.file("cfg").c_str(), "/nohome"),
              dir.file("cfg") + "/kesto");
    EXPECT_EQ(resolveProgramFolder(nullptr, missing, nullptr, dir.path().c_str()),
              dir.path() + "/.config/kesto");
    EXPECT_TRUE(test::fileExists(dir.path() + "/.config/kesto"));

    const AppPaths paths(dir.path() + "/");
    EXPECT_EQ(paths.GetIniPath(), dir.path() + "/Kesto.ini");
    EXPECT_EQ(paths.GetPlaylistPath(), dir.path() + "/Playlist.txt");
    EXPECT_EQ(GetTempDir().back(), '/');
}

class SingleInstance : public ::testing::Test {
protected:
    TempDir dir;
    InstanceEndpoints endpoints{dir.file("k.lock"), dir.file("k.sock")};
    Settings settings{dir.file("Kesto.ini")};
};

TEST_F(SingleInstance, FirstProcessBecomesThePlayerAndKeepsTheLock) {
    InstanceLock first(endpoints.lockPath);
    EXPECT_FALSE(CheckSingleInstance("", settings, first, endpoints, 0));
    EXPECT_TRUE(first.held());

    InstanceLock second(endpoints.lockPath);
    EXPECT_FALSE(second.tryAcquire()) << "the lock excludes a second holder";
    first.release();
    EXPECT_TRUE(second.tryAcquire()) << "a player's end frees the lock";
}

TEST_F(SingleInstance, WithoutAnAnsweringPlayerTheProcessPlaysItself) {
    InstanceLock running(endpoints.lockPath);
    ASSERT_TRUE(running.tryAcquire());
    InstanceLock mine(endpoints.lockPath);
    // The lock is held but nothing listens: after the patience runs out we play.
    EXPECT_FALSE(CheckSingleInstance("/x/a.mp3", settings, mine, endpoints, 50));
    EXPECT_FALSE(mine.held());

    settings.writeBool("General", "MultipleInstances", true);
    const auto t0 = steady_clock::now();
    EXPECT_FALSE(CheckSingleInstance("", settings, mine, endpoints, 5000))
        << "several players allowed: no waiting for the running one";
    EXPECT_LT(steady_clock::now() - t0, milliseconds(1000));
}

TEST_F(SingleInstance, QuitWithNoPlayerRunningDoesNothing) {
    const auto t0 = steady_clock::now();
    EXPECT_TRUE(HandleCommandLine("-quit", settings, endpoints, sys_days{2026y / 1 / 1}, 5000));
    EXPECT_LT(steady_clock::now() - t0, milliseconds(1000)) << "no waiting when no lock is held";
    EXPECT_FALSE(test::fileExists(settings.path()));
}

TEST_F(SingleInstance, MaintenanceSwitchesWriteTheirKeys) {
    EXPECT_TRUE(
        HandleCommandLine("-setlastupdatecheck", settings, endpoints, sys_days{2026y / 12 / 8}));
    EXPECT_EQ(settings.readLastVersionCheck(), sys_days{2026y / 12 / 8});
    EXPECT_TRUE(HandleCommandLine("-setglobalhotkeys", settings, endpoints, sys_days{}));
    const char* expected[] = {"0000-179", "0000-178", "0000-176", "0000-177",
                              "0000-175", "0000-174", "0000-19"};
    for (int i = 1; i <= 7; ++i)
        EXPECT_EQ(settings.readString("Global hotkeys", std::to_string(i), ""), expected[i - 1]);
    EXPECT_EQ(settings.readString("Global hotkeys", "0", "none"), "none");
    EXPECT_FALSE(HandleCommandLine("/music/a.mp3", settings, endpoints, sys_days{}));
}

TEST(InstanceEndpoints, NamedAfterTheProgramFolderInAPrivateFolder) {
    const auto a = instanceEndpoints("/opt/kesto");
    const auto b = instanceEndpoints("/home/u/kesto");
    EXPECT_NE(a.socketPath, b.socketPath);
    EXPECT_EQ(a.socketPath, instanceEndpoints("/opt/kesto").socketPath) << "stable across runs";
    EXPECT_LT(a.socketPath.size(), 100u) << "fits a socket address";
    EXPECT_FALSE(sendInstanceRequest(a.socketPath + ".none", InstanceRequest::Activate, "", 100));
}

} // namespace
} // namespace kesto
