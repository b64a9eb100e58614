// Process start to "ready to receive a hand-over": how long a second start,
// a file manager's "open with", has to wait for a fresh player. The player is
// started on the offscreen platform with the null output in a private home.
//
//   startup_bench path/to/kesto [runs]

#include "platform/instance_channel.h"

#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <vector>

extern char** environ;

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s path/to/kesto [runs]\n", argv[0]);
        return 2;
    }
    const int runs = argc > 2 ? std::atoi(argv[2]) : 10;
    kesto::test::TempDir dir;
    ::setenv("KESTO_HOME", dir.path().c_str(), 1);
    ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::setenv("KESTO_AUDIO_OUTPUT", "null", 1);
    const auto endpoints = kesto::instanceEndpoints(dir.path());

    std::vector<double> ms;
    for (int i = 0; i < runs; ++i) {
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
        kesto::sendInstanceRequest(endpoints.socketPath, kesto::InstanceRequest::Quit, "", 1000);
        int status = 0;
        ::waitpid(pid, &status, 0);
    }
    std::sort(ms.begin(), ms.end());
    std::printf("start to ready for a hand-over over %d runs: median %.1f ms, min %.1f ms, "
                "max %.1f ms\n",
                runs, ms[ms.size() / 2], ms.front(), ms.back());
    return 0;
}
