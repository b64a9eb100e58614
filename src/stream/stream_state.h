#pragma once

// The internet-radio part of the player context: the connection counter,
// the metadata tick counter, the latest connect worker, and the seams that
// reach the network (the engine's URL streams and the file download), which
// a test replaces to run without one.

#include "playback/engine/audio_types.h"
#include "stream/recording_state.h"
#include "stream/worker_threads.h"

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace kesto {

struct ConnectResult {
    AudioHandle handle = 0;
    int error = 0; // the engine's code when handle is 0
};

struct StreamHooks {
    // Opens a URL stream with the engine's flags; runs on a worker thread.
    // Unset: the engine's StreamCreateURL.
    std::function<ConnectResult(const std::string& url, std::uint32_t flags)> openUrl;
    // A stream's ICY block or metadata. Unset: the engine's StreamGetTags.
    std::function<std::optional<std::string>(AudioHandle, TagKind)> readTags;
    // Fetches `url` into the file `path`; true when at least one byte came.
    // Runs on a worker thread. Unset: DownloadToFile.
    std::function<bool(const std::string& url, const std::string& path)> download;
};

struct StreamState {
    // Each connect attempt's ticket. Bumped by a connect worker, read and
    // reset (stop, opening a file) by the UI thread: a completion whose
    // ticket differs is somebody else's.
    std::atomic<int> ConnectionCounter{0};
    // UI thread only. Counted by every metadata tick; negative at a stream's
    // open, so the first refresh comes soon and the rest every few seconds.
    int MetaTickCounter = 0;
    // The latest connect worker's token, UI thread only; the worker owns the rest.
    std::shared_ptr<WorkerToken> ConnectThread;
    StreamHooks hooks;
    // UI thread only: the files remote playlists are being fetched into.
    std::vector<std::string> downloadTargets;
    // The recorder: its hook, its writer and the last session's files.
    RecordingState recording;
    // Goes first when the state goes: every worker is stopped and joined
    // while the engine and the view they call still exist.
    WorkerThreads workers;
};

} // namespace kesto
