// Process start to "ready": the window is up and the event loop answers the
// single-instance channel (the deferred start-up work has run by then, since
// it is queued first). Also the resident memory once it has settled.
//
//   startup_bench path/to/kesto [runs] [home-template]
//
// Each run starts the player in a fresh program folder, a copy of
// home-template when given (put a Playlist.txt there to measure a large list).
// Without DISPLAY the player runs on the offscreen platform.

#include "platform/instance_channel.h"

#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

namespace {

long residentKb(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    return -1;
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s path/to/kesto [runs] [home-template]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
    const std::string templateDir = argc > 3 ? argv[3] : "";
    if (!std::getenv("DISPLAY"))
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (!std::getenv("KESTO_AUDIO_OUTPUT"))
        ::setenv("KESTO_AUDIO_OUTPUT", "null", 1);

    std::vector<double> ms;
    std::vector<long> rss;
    for (int i = 0; i < runs; ++i) {
        kesto::test::TempDir home;
        if (!templateDir.empty())
            std::filesystem::copy(templateDir, home.path(),
                                  std::filesystem::copy_options::recursive);
        ::setenv("KESTO_HOME", home.path().c_str(), 1);
        const auto endpoints = kesto::instanceEndpoints(home.path());
        const auto t0 = std::chrono::steady_clock::now();
        pid_t pid = 0;
        char* args[] = {argv[1], nullptr};
        if (posix_spawn(&pid, argv[1], nullptr, nullptr, args, environ) != 0)
            return 1;
        while (!kesto::sendInstanceRequest(endpoints.socketPath, kesto::InstanceRequest::Activate,
                                           "", 1000))
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        const auto t1 = std::chrono::steady_clock::now();
        ms.push_back(std::chrono::duration<double, std::milli>(t1 - t0).count());
        std::this_thread::sleep_for(std::chrono::seconds(1));
        rss.push_back(residentKb(pid));
        kesto::sendInstanceRequest(endpoints.socketPath, kesto::InstanceRequest::Quit, "", 1000);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    std::sort(ms.begin(), ms.end());
    std::sort(rss.begin(), rss.end());
    std::printf("start to ready over %d runs: median %.1f ms (min %.1f, max %.1f); resident "
                "memory after 1 s: median %.1f MB\n",
                runs, ms[ms.size() / 2], ms.front(), ms.back(),
                static_cast<double>(rss[rss.size() / 2]) / 1024.0);
    return 0;
}
