#include "platform/download_to_file.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <chrono>
#include <dirent.h>
#include <gtest/gtest.h>
#include <thread>

namespace kesto::test {
namespace {

using namespace std::chrono_literals;

LoopbackServer::Handler answerWith(std::string answer) {
    return [answer](int fd, const std::string&) {
        sendAll(fd, answer);
        return false;
    };
}

// Entries in a folder, hidden ones included, "." and ".." not.
int filesIn(const std::string& folder) {
    int n = 0;
    if (DIR* d = ::opendir(folder.c_str())) {
        while (dirent* e = ::readdir(d)) {
            const std::string name = e->d_name;
            n += name != "." && name != "..";
        }
        ::closedir(d);
    }
    return n;
}

TEST(PlatformDownloadToFile, WritesTheBodyAndFollowsRedirects) {
    const std::string pls = "[playlist]\nFile1=http://127.0.0.1/live\nNumberOfEntries=1\n";
    LoopbackServer server(
        answerWith(httpAnswer("200 OK", {"Content-Length: " + std::to_string(pls.size())}, pls)));
    LoopbackServer moved(answerWith(httpAnswer("301 Moved", {"Location: " + server.url("/a")})));
    TempDir dir;
    const std::string target = dir.file("temp.pls");
    writeFile(target, "old");
    EXPECT_EQ(DownloadToFile(moved.url("/list.pls"), target),
              static_cast<std::int64_t>(pls.size()));
    EXPECT_EQ(readFile(target), pls);
    EXPECT_EQ(filesIn(dir.path()), 1); // no temporary file left beside it
}

TEST(PlatformDownloadToFile, FailuresLeaveTheOldFileAlone) {
    LoopbackServer notFound(answerWith(httpAnswer("404 Not Found", {}, "<html>gone</html>")));
    LoopbackServer empty(answerWith(httpAnswer("200 OK", {"Content-Length: 0"})));
    LoopbackServer cut(answerWith(httpAnswer("200 OK", {"Content-Length: 1000"}, "only this")));
    LoopbackServer huge([](int fd, const std::string&) {
        sendAll(fd, httpAnswer("200 OK", {}));
        const std::string block(64 * 1024, 'x');
        for (int i = 0; i < 100 && sendAll(fd, block); ++i) {
        }
        return false;
    });
    LoopbackServer silent([](int, const std::string&) { return true; });
    TempDir dir;
    const std::string target = dir.file("reply");
    writeFile(target, "old");
    DownloadOptions quick;
    quick.timeoutMs = 300;
    quick.maxBytes = 1024 * 1024;
    for (const std::string& url :
         {notFound.url("/"), empty.url("/"), cut.url("/"), huge.url("/"), silent.url("/"),
          std::string("file:///etc/hostname"), std::string("http://no-such-host.invalid/")}) {
        SCOPED_TRACE(url);
        const auto start = std::chrono::steady_clock::now();
        EXPECT_EQ(DownloadToFile(url, target, quick), 0);
        EXPECT_LT(std::chrono::steady_clock::now() - start, 3s);
        EXPECT_EQ(readFile(target), "old");
        EXPECT_EQ(filesIn(dir.path()), 1);
    }
}

TEST(PlatformDownloadToFile, CancelEndsAStalledTransfer) {
    LoopbackServer silent([](int, const std::string&) { return true; });
    TempDir dir;
    std::atomic<bool> cancel{false};
    DownloadOptions options;
    options.cancel = &cancel;
    std::thread stopper([&] {
        std::this_thread::sleep_for(200ms);
        cancel = true;
    });
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(DownloadToFile(silent.url("/"), dir.file("x"), options), 0);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 2500ms);
    stopper.join();
    EXPECT_FALSE(fileExists(dir.file("x")));
}

} // namespace
} // namespace kesto::test
