#include "app/startup.h"
#include "player/paths.h"

#include "support/temp_dir.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <future>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace kesto {
namespace {

using test::TempDir;
using namespace std::chrono;

TEST(CommandLine, SwitchesAreExactWholeTexts) {
    EXPECT_EQ(classifySwitch("-quit"), CommandSwitch::Quit);
    EXPECT_EQ(classifySwitch("-setlastupdatecheck"), CommandSwitch::SetLastUpdateCheck);
    EXPECT_EQ(classifySwitch("-setglobalhotkeys"), CommandSwitch::SetGlobalHotkeys);
    EXPECT_EQ(classifySwitch("-setrootpath"), CommandSwitch::SetRootPath);
    EXPECT_EQ(classifySwitch("-reg"), CommandSwitch::Reg);
    EXPECT_EQ(classifySwitch("-unreg"), CommandSwitch::Unreg);
    for (const char* path :
         {"-QUIT", "-Quit", "-quit ", "quit", "-quitx", "", "-REG", "-unreg2", "-SetRootPath"})
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

    // An installed copy (its documentation in ../share/kesto) writes to the
    // configuration folder even where it could write beside itself.
    EXPECT_EQ(installedDataDir(exe), "");
    test::makeDirs(dir.file("share/kesto"));
    test::writeFile(dir.file("share/kesto/Documentation.html"), "<html></html>");
    EXPECT_EQ(installedDataDir(exe + "/"), dir.file("share/kesto"));
    EXPECT_EQ(resolveProgramFolder(nullptr, exe, dir.file("cfg").c_str(), "/nohome"),
              dir.file("cfg") + "/kesto");
    // Its bundled schemes serve until the user keeps one of the same name.
    test::makeDirs(dir.file("share/kesto/Schemes"));
    test::writeFile(dir.file("share/kesto/Schemes/dark.kestoscheme"), "[Style]\n");
    const AppPaths installed(dir.file("cfg/kesto"), dir.file("share/kesto"));
    EXPECT_EQ(installed.dataFile("Schemes/dark.kestoscheme"),
              dir.file("share/kesto/Schemes/dark.kestoscheme"));
    EXPECT_EQ(installed.dataFile("Schemes/none.kestoscheme"),
              dir.file("cfg/kesto/Schemes/none.kestoscheme"));
    test::makeDirs(dir.file("cfg/kesto/Schemes"));
    test::writeFile(dir.file("cfg/kesto/Schemes/dark.kestoscheme"), "[Style]\n");
    EXPECT_EQ(installed.dataFile("Schemes/dark.kestoscheme"),
              dir.file("cfg/kesto/Schemes/dark.kestoscheme"));

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
    EXPECT_FALSE(CheckSingleInstance("", settings, first, endpoints));
    EXPECT_TRUE(first.held());

    InstanceLock second(endpoints.lockPath);
    EXPECT_FALSE(second.tryAcquire()) << "the lock excludes a second holder";
    first.release();
    EXPECT_TRUE(second.tryAcquire()) << "a player's end frees the lock";
}

// A player's end of the channel that takes its time: it listens at once but
// answers only when told, and keeps what it was sent.
class SlowPlayer {
public:
    explicit SlowPlayer(const std::string& socketPath) : path_(socketPath) {
        listenFd_ = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path_.c_str());
        bound_ = ::bind(listenFd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) == 0 &&
                 ::listen(listenFd_, 16) == 0;
    }
    ~SlowPlayer() {
        ::close(listenFd_);
        ::unlink(path_.c_str());
    }
    bool bound() const { return bound_; }
    // Takes every connection that waits now; answers those that carry a whole
    // request and returns the requests as kind followed by argument.
    std::vector<std::string> answerWaiting() {
        std::vector<std::string> requests;
        for (;;) {
            pollfd p{listenFd_, POLLIN, 0};
            if (::poll(&p, 1, 0) != 1)
                return requests;
            const int fd = ::accept(listenFd_, nullptr, nullptr);
            std::string in;
            char buf[256];
            while (in.size() < kInstanceHeaderSize ||
                   in.size() < kInstanceHeaderSize + static_cast<unsigned char>(in[1])) {
                const ssize_t n = ::read(fd, buf, sizeof buf);
                if (n <= 0)
                    break;
                in.append(buf, static_cast<std::size_t>(n));
            }
            if (in.size() >= kInstanceHeaderSize) {
                [[maybe_unused]] const ssize_t sent = ::send(fd, &kInstanceAck, 1, MSG_NOSIGNAL);
                requests.push_back(in.substr(0, 1) + in.substr(kInstanceHeaderSize));
            }
            ::close(fd);
        }
    }

private:
    std::string path_;
    int listenFd_ = -1;
    bool bound_ = false;
};

TEST_F(SingleInstance, ARequestWaitsForTheRunningPlayerHoweverLongItTakes) {
    InstanceLock running(endpoints.lockPath);
    ASSERT_TRUE(running.tryAcquire());

    // A player that does not answer yet (busy, or stopped): the path waits
    // for it, is sent once, and arrives when the player gets to it.
    {
        SlowPlayer player(endpoints.socketPath);
        ASSERT_TRUE(player.bound());
        InstanceLock mine(endpoints.lockPath);
        auto handOver = std::async(std::launch::async, [&] {
            return CheckSingleInstance("/x/a.mp3", settings, mine, endpoints);
        });
        EXPECT_EQ(handOver.wait_for(milliseconds(400)), std::future_status::timeout)
            << "no second player while the first is busy";
        const std::vector<std::string> taken = player.answerWaiting();
        ASSERT_EQ(handOver.wait_for(seconds(10)), std::future_status::ready);
        EXPECT_TRUE(handOver.get());
        EXPECT_EQ(taken, (std::vector<std::string>{"H/x/a.mp3"})) << "sent once";
        EXPECT_FALSE(mine.held());

        auto quit = std::async(std::launch::async, [&] {
            return HandleCommandLine("-quit", settings, endpoints, sys_days{});
        });
        EXPECT_EQ(quit.wait_for(milliseconds(200)), std::future_status::timeout);
        while (quit.wait_for(milliseconds(10)) != std::future_status::ready) {
            if (const auto q = player.answerWaiting(); !q.empty()) {
                EXPECT_EQ(q, (std::vector<std::string>{"Q"}));
            }
        }
        EXPECT_TRUE(quit.get());
    }

    // A player that holds the lock but does not listen yet (it is starting),
    // then ends: the waiting process becomes the player.
    InstanceLock mine(endpoints.lockPath);
    auto start = std::async(std::launch::async,
                            [&] { return CheckSingleInstance("", settings, mine, endpoints); });
    EXPECT_EQ(start.wait_for(milliseconds(300)), std::future_status::timeout)
        << "without MultipleInstances a plain start waits for the running player as well";
    running.release();
    ASSERT_EQ(start.wait_for(seconds(10)), std::future_status::ready);
    EXPECT_FALSE(start.get());
    EXPECT_TRUE(mine.held());
    mine.release();

    // Several players allowed: a plain start does not wait for the running one.
    ASSERT_TRUE(running.tryAcquire());
    settings.writeBool("General", "MultipleInstances", true);
    InstanceLock another(endpoints.lockPath);
    auto second = std::async(std::launch::async,
                             [&] { return CheckSingleInstance("", settings, another, endpoints); });
    ASSERT_EQ(second.wait_for(seconds(1)), std::future_status::ready);
    EXPECT_FALSE(second.get());
}

TEST_F(SingleInstance, QuitWithNoPlayerRunningDoesNothing) {
    const auto t0 = steady_clock::now();
    EXPECT_TRUE(HandleCommandLine("-quit", settings, endpoints, sys_days{2026y / 1 / 1}));
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
