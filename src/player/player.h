#pragma once

// The player's context: every piece of state that lives as long as the
// player, owned here rather than in globals so that a test can build as many
// players as it likes. The UI thread owns all of it unless a field says
// otherwise: the part shared with the audio thread is FeederShared.

#include "playback/engine/audio_library.h"
#include "playback/engine_wait_probe.h"
#include "playback/feeder_shared.h"
#include "playback/output_retirer.h"
#include "playback/playback_state.h"
#include "playback/player_playback.h"
#include "player/nested_loop_gate.h"
#include "player/paths.h"
#include "player/playback_control.h"
#include "player/player_view.h"
#include "player/settings.h"
#include "player/window_mirror.h"
#include "playlist/playlist_state.h"
#include "stream/stream_state.h"

#include <string>

namespace kesto {

class Player {
public:
    // `audioOptions` picks the sound output (a test passes "wav:PATH,fast" or
    // "null"); the default reads KESTO_AUDIO_OUTPUT and otherwise uses
    // PulseAudio.
    Player(AppPaths paths, PlayerView& view, AudioLibrary::Options audioOptions = {})
        : paths(std::move(paths)), settings(this->paths.GetIniPath()), view(view),
          audio(audioOptions), MixerServer(audioOptions.pulseServer), playbackControl(*this) {
        playback = &playbackControl;
    }
    // The engine goes first: its feeder thread runs the fill callback, which
    // reads the playback fields below until the last stream is freed.
    // Workers are asked to stop before the engine frees the streams they
    // may be opening, and joined (with `stream`) before the engine goes.
    ~Player() {
        stream.workers.requestStopAll();
        audio.Free();
    }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    AppPaths paths;
    Settings settings;
    PlayerView& view;
    // List changes wait here while a nested event loop runs (see the header).
    NestedLoopGate nestedLoops{[this](std::function<void()> work) {
        view.post(std::move(work));
    }};

    // ---- Playlist (src/playlist) ----
    // The playlist, the queue, the shuffle history and the folder-scan flags.
    PlaylistState playlist;

    // ---- Playback seam ----
    // What the playlist code calls to play and stop; points at playbackControl
    // unless a test puts a recording fake in its place. Null means no playback calls.
    PlaybackControl* playback = nullptr;

    // ---- Audio engine and playback (src/playback) ----
    AudioLibrary audio;
    // Frees stopped outputs off the UI thread; goes before the engine does.
    OutputRetirer retirer{audio};
    // Shared with the fill callback; its write rule is in feeder_shared.h.
    FeederShared feed;
    // UI thread only.
    TransportState transport;
    StatusTickState status;
    LevelMeterState level;
    WindowMirror mirror;

    // ---- Internet radio (src/stream) ----
    // UI thread only, but for the connection counter and the workers.
    StreamState stream;

    // The PulseAudio server the mixer reset talks to; empty = libpulse's choice.
    std::string MixerServer;
    // Set by measuring harnesses only.
    EngineWaitStats* engineWaits = nullptr;

    PlayerPlayback playbackControl;
};

} // namespace kesto
