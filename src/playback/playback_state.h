#pragma once

// The UI thread's parts of playback in the player context: the transport's
// state, the status tick's and the level meter's. The feeder thread never
// reads them (its share is FeederShared).

#include "playback/next_entry_handoff.h"
#include "player/modes.h"

#include <cstdint>
#include <memory>
#include <vector>

namespace kesto {

struct TransportState {
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
    // The play order; scrolling to the current line reads it too.
    kesto::PlayMode PlayMode = kesto::PlayMode::RepeatList;
    RecentRing ShuffleRecent;
    RecentRing QueueRecent;
    // The switch the callback made that the window has not followed yet.
    std::unique_ptr<PreparedNext> switchedTo;
};

// The status tick: its timer period and time format.
struct StatusTickState {
    int StatusPeriod = 33;
    bool FineTime = false;
    bool StatusRunning = false;
};

struct LevelMeterState {
    kesto::VUStyle VUStyle = kesto::VUStyle::SevenLeds;
    int HeldLeft = 0;
    int HeldRight = 0;
    int DecayPhase = 0;
    bool StopRequest = false;
    bool LevelRunning = false;
    std::vector<std::int16_t> levelBlock;
};

} // namespace kesto
