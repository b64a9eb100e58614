#pragma once

// The player's context: every piece of state that lives as long as the
// player, owned here rather than in globals so that a test can build as many
// players as it likes. The UI thread owns all of it unless a field says
// otherwise (the playback fields shared with the audio thread are atomics).

#include "playback/engine/audio_library.h"
#include "playback/engine_wait_probe.h"
#include "playback/next_entry_handoff.h"
#include "playback/output_retirer.h"
#include "playback/player_playback.h"
#include "player/paths.h"
#include "player/playback_control.h"
#include "player/player_view.h"
#include "player/settings.h"
#include "playlist/playlist_state.h"

#include <atomic>
#include <cstdint>
#include <string>
#include <vector>

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
    ~Player() { audio.Free(); }
    Player(const Player&) = delete;
    Player& operator=(const Player&) = delete;

    AppPaths paths;
    Settings settings;
    PlayerView& view;

    // ---- Playlist (src/playlist) ----
    // The playlist, the queue, the shuffle history and the folder-scan flags.
    PlaylistState playlist;

    // ---- Playback seam ----
    // What the playlist code calls to play and stop; points at playbackControl
    // unless a test puts a recording fake in its place. Null means no playback calls.
    PlaybackControl* playback = nullptr;
    // Play order: 0 repeat list, 1 repeat file, 2 play list, 3 play file,
    // 4 shuffle. The transport owns it; scrolling to the current line reads it.
    int PlayMode = 0;

    // ---- Audio engine and playback (src/playback) ----
    AudioLibrary audio;
    // Frees stopped outputs off the UI thread; goes before the engine does.
    OutputRetirer retirer{audio};

    // Shared with the fill callback on the engine's feeder thread: atomics.
    // The UI thread writes them only while no callback can run (the output
    // is stopped or freed, and Stop and Free wait for a running callback),
    // except EndAction and SwitchPoint, which the status tick resets after
    // reading. The callback never touches anything else in the player.
    std::atomic<AudioHandle> OutputStream{0};    // the callback-fed output; 0 = nothing loaded
    std::atomic<AudioHandle> MainDecoder{0};     // the file (or URL stream) being played
    std::atomic<AudioHandle> MirrorDecoder{0};   // the same file, for look-ahead near its end
    std::atomic<int> OpeningIndex{-1};           // index opened; at a switch, the one switched to
    std::atomic<std::int64_t> TailRemaining{-1}; // bytes left before an MP3's tail is cut; -1 none
    std::atomic<std::int64_t> BytesDelivered{0}; // handed to the output since the last open or seek
    std::atomic<std::int64_t> SwitchPoint{-1};   // BytesDelivered where the switched-to file starts
    std::atomic<std::int64_t> LeadSkip{0};       // bytes skipped at the switched-to file's start
    std::atomic<bool> Switched{false};           // the output moved on; the UI has not followed
    std::atomic<int> EndAction{0};               // 0 none, 1 follow a switch, 2 play next, 3 stop
    std::atomic<bool> MainIsMp3{false};          // MainDecoder plays an .mp3 (its tail gets cut)
    std::atomic<std::uint64_t> FileSerial{0};    // bumped at every open, stop and switch
    NextEntryHandoff nextEntry;                  // the next file, prepared by the UI thread
    // Feeder thread only (sized by the UI thread before the output starts).
    std::vector<std::int16_t> analysisScratch; // tail and lead-in analysis

    // UI thread only.
    std::int64_t PositionOffset = 0; // file position = output position - PositionOffset
    std::int64_t MainLength = 0;     // bytes of the file the window shows
    std::uint32_t OutputRate = 0;    // the output stream's format, for the time conversions
    std::uint32_t OutputChannels = 0;
    bool DeviceReady = false;
    int Volume = 1000;    // 0..1000, tenths of a percent
    int MuteRestore = -1; // volume to restore after a soft mute; -1 = not muted
    int SoftmutePercent = 30;
    bool Seeking = false; // a keyboard or mouse seek moves the seek bar
    bool Busy = false;    // RunKeyCommand is running
    int ConnectionCounter = 0;
    RecentRing ShuffleRecent;
    RecentRing QueueRecent;
    // The switch the callback made that the window has not followed yet.
    std::unique_ptr<PreparedNext> switchedTo;

    // What the window shows; the core owns these values and mirrors them.
    std::string VersionCaption = "Kesto 1.04b";
    std::string Caption = "Kesto 1.04b";
    std::string TrayHint;
    std::string TimeLabel;
    std::int64_t SeekBarMax = 0; // milliseconds
    std::int64_t SeekBarPosition = 0;

    // Status tick: its timer period and time format.
    int StatusPeriod = 33;
    bool FineTime = false;
    bool StatusRunning = false;

    // Level meter: 0 none, 1 the 7-LED meter, 2 the 14-LED meter.
    int VUStyle = 1;
    int HeldLeft = 0;
    int HeldRight = 0;
    int DecayPhase = 0;
    bool StopRequest = false;
    bool LevelRunning = false;
    std::vector<std::int16_t> levelBlock;

    // The PulseAudio server the mixer reset talks to; empty = libpulse's choice.
    std::string MixerServer;
    // Set by measuring harnesses only.
    EngineWaitStats* engineWaits = nullptr;

    PlayerPlayback playbackControl;
};

} // namespace kesto
