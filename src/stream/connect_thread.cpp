#include "stream/connect_thread.h"

#include "playback/level_meter.h"
#include "playback/output.h"
#include "playback/status_tick.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"

#include <chrono>

namespace kesto {

namespace {

// The worker's first half second: a second start (the user paging through
// stations) replaces it before it has opened anything.
constexpr int kStartWaits = 51;
constexpr std::chrono::milliseconds kStartWait{10};

constexpr int kConnectBufferMs = 3000;
constexpr int kStreamBufferMs = 5000;

} // namespace

ConnectResult openUrl(Player& player, const std::string& url, std::uint32_t flags) {
    if (player.stream.hooks.openUrl)
        return player.stream.hooks.openUrl(url, flags);
    ConnectResult result;
    result.handle = player.audio.StreamCreateURL(url, 0, flags);
    if (result.handle == 0)
        result.error = player.audio.ErrorGetCode();
    return result;
}

std::optional<std::string> readStreamTags(Player& player, AudioHandle handle, TagKind kind) {
    if (player.stream.hooks.readTags)
        return player.stream.hooks.readTags(handle, kind);
    return player.audio.StreamGetTags(handle, kind);
}

void openStreamDecoders(Player& player, int index, const std::string& entry) {
    player.audio.SetConfig(AudioOption::BufferMs, kConnectBufferMs);
    player.playlist.CurrentIndex = index;
    RefreshListView(player, true, true);
    const std::string path(EntryPath(entry));
    player.view.setStatusPanelText(kInfoPanel, "正在连接 " + path + "...");
    player.mirror.TimeLabel.clear();
    player.view.setTimeLabel("");
    player.audio.SetConfig(AudioOption::BufferMs, kStreamBufferMs);
    // A stream has no tail to cut and no mirror to read ahead in.
    player.feed.MainCutsTail = false;
    startConnectThread(player, path);
    player.playlist.PlayingEntry = entry;
}

void startConnectThread(Player& player, const std::string& url) {
    StreamState& stream = player.stream;
    if (stream.ConnectThread)
        stream.ConnectThread->requestStop();
    stream.ConnectThread =
        stream.workers.start([&player, url](const std::shared_ptr<WorkerToken>& self) {
            for (int i = 0; i < kStartWaits; ++i) {
                if (self->waitStop(kStartWait))
                    return;
            }
            const int ticket = player.stream.ConnectionCounter.fetch_add(1) + 1;
            const ConnectResult result = openUrl(player, url, kStreamDecode | kStreamMeta);
            // The worker does not wait for the window: a window that is
            // closing could then never join it.
            player.view.post([&player, self, ticket, result] {
                ConnectDone(player, result.handle, ticket, result.error, *self);
            });
        });
}

void cancelConnect(Player& player) {
    StreamState& stream = player.stream;
    if (stream.ConnectThread) {
        stream.ConnectThread->requestStop();
        stream.ConnectThread.reset();
    }
    stream.ConnectionCounter = 0;
}

std::string connectErrorText(int errorCode) {
    switch (errorCode) {
    case 2:
        return "打开 URL 出错。";
    case 40:
        return "打开 URL 出错: 连接超时。";
    case 41:
        return "打开 URL 出错: 无法登录服务器或服务器已满。";
    default:
        return "打开 URL 出错: 错误代码 " + std::to_string(errorCode);
    }
}

void ConnectDone(Player& player, AudioHandle handle, int ticket, int errorCode,
                 const WorkerToken& thread) {
    StreamState& stream = player.stream;
    // A newer attempt, a stop or another entry came after this one.
    if (ticket != stream.ConnectionCounter.load() || thread.stopRequested()) {
        player.audio.StreamFree(handle);
        return;
    }
    stream.ConnectThread.reset();
    if (handle == 0 || errorCode != 0) {
        player.audio.StreamFree(handle);
        StopPlayback(player, true);
        player.view.ShowMessageKind(MessageKind::Information, connectErrorText(errorCode));
        return;
    }
    player.feed.MainDecoder = handle;
    OpenEntry(player, 0, false, true);
}

} // namespace kesto
