#include "prefs/update_check.h"

#include "player/player.h"
#include "support/fake_view.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace kesto::test {
namespace {

using namespace std::chrono;

const Date kToday = sys_days{2026y / 12 / 10};

LoopbackServer::Handler replyWith(std::string body) {
    return [body](int fd, const std::string&) {
        sendAll(fd, httpAnswer("200 OK", {"Content-Length: " + std::to_string(body.size())}, body));
        return false;
    };
}

// A player in its own folder and a check against `url`; `ask` answers the
// question and sees the world as it is while the question is up.
struct World {
    TempDir home;
    FakeView view;
    Player player{AppPaths(home.path()), view};
    std::vector<std::string> questions;
    std::vector<std::string> opened;
    std::function<bool()> answer = [] {
        return false;
    };
    // A file called "temp" that was there before a failed transfer.
    bool staleReply = false;

    std::string reply() const { return home.file("temp"); }
    UpdateCheckHost host() {
        UpdateCheckHost h;
        h.ask = [this](const std::string& message) {
            questions.push_back(message);
            return answer();
        };
        h.openAndEnd = [this](const std::string& address) {
            opened.push_back(address);
        };
        h.today = [] {
            return kToday;
        };
        return h;
    }
    UpdateCheckOptions options(const std::string& url, int timeoutMs = 5000) const {
        UpdateCheckOptions o;
        o.url = url;
        o.replyPath = reply();
        o.timeoutMs = timeoutMs;
        return o;
    }
    // Runs the check as the event loop would: the worker's result is handled
    // here, on this thread, once it has been posted.
    void run(const std::string& url, int timeoutMs = 5000) {
        UpdateCheck check(player, host(), options(url, timeoutMs));
        check.CheckForUpdate();
        EXPECT_TRUE(check.running());
        EXPECT_EQ(view.panels[kInfoPanel], kCheckingForUpdateText);
        const auto deadline = steady_clock::now() + 60s;
        while (check.running() && steady_clock::now() < deadline) {
            view.runPosted();
            std::this_thread::sleep_for(2ms);
        }
        ASSERT_FALSE(check.running()) << "the worker never reported";
        EXPECT_EQ(view.panels[kInfoPanel], "");
        if (!staleReply) {
            EXPECT_FALSE(fileExists(reply())) << "the reply file outlived the check";
        }
    }
};

TEST(PrefsUpdateCheck, AsksTheFixedPathAsTheDownloaderAndStopsAtAKnownVersion) {
    LoopbackServer server(replyWith("http://example.org/get\n1.04b\nYou have it.\n"));
    World w;
    w.run(server.url("/updatecheck.php?app=kesto&version=1.04b"));
    const std::string request = server.lastRequest();
    EXPECT_EQ(request.rfind("GET /updatecheck.php?app=kesto&version=1.04b HTTP/1.1\r\n", 0), 0u)
        << request;
    EXPECT_NE(request.find("\r\nUser-Agent: VIDAZUV Download\r\n"), std::string::npos) << request;
    EXPECT_TRUE(w.questions.empty());
    EXPECT_EQ(w.player.settings.readLastVersionCheck(), kToday);
    EXPECT_EQ(w.player.settings.readLastNewVersion(), "none");

    // A version declined before ends it the same way.
    LoopbackServer declined(replyWith("http://example.org/get\n2.0\nNew.\n"));
    w.player.settings.writeLastNewVersion("2.0");
    w.player.settings.writeLastVersionCheck(kZeroDate);
    w.run(declined.url("/"));
    EXPECT_TRUE(w.questions.empty());
    EXPECT_EQ(w.player.settings.readLastVersionCheck(), kToday);
}

TEST(PrefsUpdateCheck, ANewVersionIsOfferedAndANoRemembered) {
    LoopbackServer server(replyWith("http://example.org/get\n2.0\nKesto 2.0\nis here.\n"));
    World w;
    // While the question is up the date is already written and the reply
    // still there; the status text has gone.
    w.answer = [&w] {
        EXPECT_EQ(w.player.settings.readLastVersionCheck(), kToday);
        EXPECT_TRUE(fileExists(w.reply()));
        EXPECT_EQ(w.view.panels[kInfoPanel], "");
        return false;
    };
    w.run(server.url("/"));
    EXPECT_EQ(w.questions, std::vector<std::string>{"Kesto 2.0\ris here."});
    EXPECT_TRUE(w.opened.empty());
    EXPECT_EQ(w.player.settings.readLastNewVersion(), "2.0");

    // Not offered again; a newer one is, and Yes opens its page and keeps
    // nothing as declined.
    w.run(server.url("/"));
    EXPECT_EQ(w.questions.size(), 1u);
    LoopbackServer newer(replyWith("https://example.org/2.1\n2.1\n"));
    w.answer = [] {
        return true;
    };
    w.run(newer.url("/"));
    ASSERT_EQ(w.questions.size(), 2u);
    EXPECT_EQ(w.questions[1], "");
    EXPECT_EQ(w.opened, std::vector<std::string>{"https://example.org/2.1"});
    EXPECT_EQ(w.player.settings.readLastNewVersion(), "2.0");
}

TEST(PrefsUpdateCheck, AnAddressThatIsNotAWebPageIsIgnored) {
    World w;
    for (const char* address : {"file:///etc/passwd", "javascript:alert(1)", "/usr/bin/xterm"}) {
        SCOPED_TRACE(address);
        LoopbackServer server(replyWith(std::string(address) + "\n2.0\nInstall me.\n"));
        w.player.settings.writeLastVersionCheck(kZeroDate);
        w.run(server.url("/"));
        EXPECT_TRUE(w.questions.empty());
        EXPECT_TRUE(w.opened.empty());
        EXPECT_EQ(w.player.settings.readLastNewVersion(), "none");
        EXPECT_EQ(w.player.settings.readLastVersionCheck(), kToday);
    }
}

TEST(PrefsUpdateCheck, FailuresAreSilentAndCountAsAnAttempt) {
    LoopbackServer missing([](int fd, const std::string&) {
        sendAll(fd, httpAnswer("404 Not Found", {}, "http://example.org/\n2.0\nNo.\n"));
        return false;
    });
    LoopbackServer silent([](int, const std::string&) { return true; });
    LoopbackServer huge([](int fd, const std::string&) {
        sendAll(fd, httpAnswer("200 OK", {},
                               "http://example.org/\n2.0\n" +
                                   std::string(70 * 1024, 'x'))); // over 64 KiB
        return false;
    });
    UnansweredPort unanswered;
    const std::string nowhere = "http://127.0.0.1:" + std::to_string(unanswered.port()) + "/";
    World w;
    // A stale reply file is neither taken for an answer nor touched.
    const std::string stale = "http://example.org/\n2.0\nStale.\n";
    writeFile(w.reply(), stale);
    w.staleReply = true;
    for (const std::string& url :
         {missing.url("/"), silent.url("/"), huge.url("/"), nowhere, std::string()}) {
        SCOPED_TRACE(url);
        w.player.settings.writeLastVersionCheck(kZeroDate);
        w.view.panelHistory.clear();
        w.run(url, 300);
        EXPECT_TRUE(w.questions.empty());
        EXPECT_TRUE(w.view.messages.empty());
        EXPECT_EQ(w.player.settings.readLastVersionCheck(), kToday);
        EXPECT_EQ(w.view.panelHistory.back(), (std::pair<int, std::string>{kInfoPanel, ""}));
        EXPECT_EQ(readFile(w.reply()), stale);
    }
}

TEST(PrefsUpdateCheck, GoingAwayEndsTheTransferAndDropsItsResult) {
    LoopbackServer silent([](int, const std::string&) { return true; });
    World w;
    {
        UpdateCheck check(w.player, w.host(), w.options(silent.url("/"), 60000));
        check.CheckForUpdate();
        // Let the transfer get under way before the check goes.
        for (int i = 0; i < 500 && silent.connections() == 0; ++i)
            std::this_thread::sleep_for(10ms);
        EXPECT_EQ(silent.connections(), 1);
    } // the destructor ends the transfer rather than wait out the minute
    w.view.runPosted();
    EXPECT_EQ(w.player.settings.readLastVersionCheck(), kZeroDate);
    EXPECT_EQ(w.view.panels[kInfoPanel], kCheckingForUpdateText);
}

} // namespace
} // namespace kesto::test
