// How long the UI thread waits on the feeder thread: a long shuffled run over
// 1,000 entries with the status tick every 10-33 ms, the level tick every
// 20 ms and a user action every 150-600 ms (next, previous, pause and resume,
// keyboard seeks, volume, queue toggles, moving entries). Every engine call
// that can wait for a running fill callback is timed (EngineWaitProbe), and
// so is every tick and action as a whole. Release build:
//   build/bench/ui_wait_harness [minutes, default 10] [null|fast]
// "null" plays in real time through the silent paced output; "fast" renders
// into a temporary WAV file as fast as the feeder goes and runs the UI loop
// flat out (about 0.6 GB of audio a minute).
// The files: 40 WAV, MP3 and OGG files of 2-6 s, each behind 25 links, so
// the playlist holds 1,000 distinct entries.

#include "playback/level_meter.h"
#include "playback/next_entry.h"
#include "playback/output.h"
#include "playback/play_order.h"
#include "playback/status_tick.h"
#include "playback/transport.h"
#include "player/key_codes.h"
#include "player/player.h"
#include "playlist/playlist_queue.h"
#include "support/audio_fixtures.h"
#include "support/fake_view.h"
#include "support/temp_dir.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <random>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

using namespace kesto;
using namespace kesto::test;
using Clock = std::chrono::steady_clock;
using Ms = std::chrono::duration<double, std::milli>;

namespace {

struct Timings {
    std::vector<double> ms;
    void add(Clock::duration d) { ms.push_back(Ms(d).count()); }
    void report(const char* what) {
        if (ms.empty()) {
            std::printf("%-34s none\n", what);
            return;
        }
        std::sort(ms.begin(), ms.end());
        const auto at = [&](double q) {
            return ms[static_cast<std::size_t>(q * (ms.size() - 1))];
        };
        std::printf("%-34s %8zu  median %7.3f ms  p99 %7.3f ms  p99.9 %7.3f ms  worst %8.3f ms\n",
                    what, ms.size(), at(0.5), at(0.99), at(0.999), ms.back());
    }
};

template <typename F> void timed(Timings& t, F&& f) {
    const auto start = Clock::now();
    f();
    t.add(Clock::now() - start);
}

std::string makeFile(const TempDir& dir, int k) {
    std::mt19937 random(static_cast<std::uint32_t>(k));
    const double seconds = 2.0 + (random() % 400) / 100.0;
    const auto frames = static_cast<std::int64_t>(seconds * 44100);
    const Samples s = sineSweep(44100, 2, frames, 100 + 10 * k, 4000, 0.4);
    std::string name = "file" + std::to_string(k);
    if (k % 8 == 1) {
        name += ".mp3";
        writeFile(dir.file(name), mp3File(s, 44100, 2));
    } else if (k % 8 == 2) {
        name += ".ogg";
        writeFile(dir.file(name), oggFile(s, 44100, 2));
    } else {
        name += ".wav";
        writeFile(dir.file(name), wavFile(s, 44100, 2));
    }
    return name;
}

} // namespace

int main(int argc, char** argv) {
    const double minutes = argc > 1 ? std::atof(argv[1]) : 10.0;
    const bool fast = argc > 2 && std::string(argv[2]) == "fast";

    TempDir dir;
    std::vector<std::string> names;
    for (int k = 0; k < 40; ++k)
        names.push_back(makeFile(dir, k));
    FakeView view;
    AudioLibrary::Options options;
    options.output = fast ? "wav:" + dir.file("rendered.wav") + ",fast" : std::string("null");
    Player player(AppPaths(dir.path()), view, options);
    for (int i = 0; i < 1000; ++i) {
        const std::string& target = names[static_cast<std::size_t>(i % 40)];
        const std::string link =
            dir.file("song" + std::to_string(i) + target.substr(target.find('.')));
        if (symlink(dir.file(target).c_str(), link.c_str()) != 0)
            return 1;
        player.playlist.PlaylistEntries.push_back(link);
    }
    view.lines = 1000;
    view.clientHeight = 320;
    EngineWaitStats waits;
    player.engineWaits = &waits;
    setPlayMode(player, PlayMode::Shuffle);

    Timings statusTicks, levelTicks, actions, engineCalls;
    std::mt19937 random(1);
    OpenEntry(player, 0);
    const auto end = Clock::now() + std::chrono::duration<double, std::ratio<60>>(minutes);
    auto nextStatus = Clock::now();
    auto nextLevel = Clock::now();
    auto nextAction = Clock::now() + std::chrono::milliseconds(150 + random() % 450);
    int follows = 0;
    int starts = 0;
    AudioHandle lastOutput = player.feed.OutputStream;
    std::uint64_t waitCalls = 0;
    while (Clock::now() < end) {
        const auto now = Clock::now();
        if (fast || now >= nextStatus) {
            const bool pending = player.transport.switchedTo != nullptr;
            const std::uint64_t before = waits.calls;
            timed(statusTicks, [&] { StatusTick(player); });
            waitCalls += waits.calls - before;
            follows += pending && !player.transport.switchedTo ? 1 : 0;
            if (player.feed.OutputStream != lastOutput) {
                ++starts;
                lastOutput = player.feed.OutputStream;
            }
            if (player.feed.OutputStream == 0)
                OpenEntry(player, static_cast<int>(random() % 1000));
            nextStatus = now + std::chrono::milliseconds(player.status.StatusPeriod);
        }
        if (fast || now >= nextLevel) {
            timed(levelTicks, [&] { LevelTick(player); });
            nextLevel = now + std::chrono::milliseconds(20);
        }
        if (now >= nextAction) {
            timed(actions, [&] {
                switch (random() % 9) {
                case 0:
                    RunKeyCommand(player, vk::Tab, vk::NoModifier);
                    break;
                case 1:
                    RunKeyCommand(player, vk::Tab, vk::ShiftModifier);
                    break;
                case 2:
                    // Pause now, resume at a later action.
                    RunKeyCommand(player, vk::Space, vk::NoModifier);
                    break;
                case 3:
                    RunKeyCommand(player, random() % 2 ? vk::Left : vk::Right, vk::NoModifier);
                    finishKeyboardSeek(player);
                    break;
                case 4:
                    RunKeyCommand(player, random() % 2 ? vk::Add : vk::Subtract, vk::NoModifier);
                    break;
                case 5:
                    ToggleQueued(player.playlist, player.playlist.PlaylistEntries[random() % 1000]);
                    playOrderChanged(player);
                    break;
                case 6:
                    view.selected = {static_cast<int>(random() % 999)};
                    RunKeyCommand(player, vk::Down, vk::CtrlModifier);
                    break;
                default:
                    if (outputState(player) == ChannelState::Paused)
                        RunKeyCommand(player, vk::Space, vk::NoModifier);
                    break;
                }
            });
            nextAction = Clock::now() +
                         std::chrono::milliseconds(fast ? 5 + random() % 20 : 150 + random() % 450);
        }
        if (!fast)
            std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    StopPlayback(player, true);
    const auto rendered = std::filesystem::exists(dir.file("rendered.wav"))
                              ? std::filesystem::file_size(dir.file("rendered.wav"))
                              : 0;
    if (fast)
        std::printf("rendered %.1f minutes of audio\n",
                    static_cast<double>(rendered) / 176400 / 60);

    std::printf("%.1f minutes, %s output: %d gapless follows, %d ordinary starts\n", minutes,
                fast ? "fast WAV" : "paced null", follows, starts);
    std::printf("engine calls that can wait for the callback: %llu, worst %.3f ms (%s), "
                "%llu over 1 ms, mean %.4f ms\n",
                static_cast<unsigned long long>(waits.calls), Ms(waits.worst).count(),
                waits.worstCall.c_str(), static_cast<unsigned long long>(waits.slow),
                waits.calls ? Ms(waits.total).count() / static_cast<double>(waits.calls) : 0.0);
    // The waits themselves: the control lock found held by a running callback.
    const auto lockWaits = player.audio.controlLockWaits();
    std::printf("control lock taken from the UI side %llu times, found held %llu times, "
                "%llu waits over 1 ms, longest wait %.3f ms\n",
                static_cast<unsigned long long>(lockWaits.acquisitions),
                static_cast<unsigned long long>(lockWaits.waited),
                static_cast<unsigned long long>(lockWaits.overOneMs), lockWaits.worstMs);
    std::map<std::string, Timings> slowByCall;
    for (const auto& slow : waits.slowCalls)
        slowByCall[slow.call].add(slow.took);
    for (auto& [call, times] : slowByCall)
        times.report(("  over 1 ms: " + call).c_str());
    // Why each slow call was slow: a wait shows as the thread giving up the
    // processor; preemption and its own work do not.
    for (const auto& slow : waits.slowCalls)
        std::printf("    %-20s %7.3f ms: own CPU %6.3f ms, blocked %ld, preempted %ld\n",
                    slow.call.c_str(), Ms(slow.took).count(), Ms(slow.cpu).count(), slow.blocked,
                    slow.preempted);
    statusTicks.report("status tick");
    levelTicks.report("level tick");
    actions.report("user action");
    return 0;
}
