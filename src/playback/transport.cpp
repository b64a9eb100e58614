#include "playback/transport.h"

#include "playback/level_meter.h"
#include "playback/output.h"
#include "playback/play_order.h"
#include "playback/probes.h"
#include "playback/status_tick.h"
#include "playback/time_text.h"
#include "playback/transport_list_keys.h"
#include "playback/volume.h"
#include "player/key_codes.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"
#include "playlist/open_path.h"

#include <algorithm>
#include <filesystem>

namespace kesto {

namespace {

constexpr int kAlternativeLook = 1;
constexpr int kKeyA = vk::LetterA;
constexpr int kKeyC = vk::LetterA + 2;

bool outputPaused(Player& player) {
    return outputState(player) == ChannelState::Paused;
}

// Rows that mean the same key whatever the modifiers: any of Shift and Ctrl.
bool isShift(int shift) {
    return shift == vk::ShiftModifier;
}
bool isCtrl(int shift) {
    return shift == vk::CtrlModifier;
}

std::string seekLabel(Player& player, const char* mark) {
    const std::int64_t pos = player.mirror.SeekBarPosition;
    const std::int64_t max = player.mirror.SeekBarMax;
    return timeTextNormal(pos) + mark + " / " + timeTextNormal(max) + " / -" +
           timeTextNormal(max - pos);
}

void setLabel(Player& player, const std::string& text) {
    player.mirror.TimeLabel = text;
    player.view.setTimeLabel(text);
}

void moveSeekBar(Player& player, std::int64_t ms) {
    player.mirror.SeekBarPosition = std::clamp<std::int64_t>(ms, 0, player.mirror.SeekBarMax);
    player.view.showSeekBar(player.mirror.SeekBarMax, player.mirror.SeekBarPosition);
}

void enterKey(Player& player) {
    PlaylistState& pl = player.playlist;
    if (pl.PlaylistEntries.empty()) {
        player.view.runAddFilesCommand();
        if (!pl.PlaylistEntries.empty())
            OpenEntry(player, 0);
        return;
    }
    const int focused = player.view.focusedLine();
    if (outputPaused(player) && focused == pl.CurrentIndex)
        resumeOutput(player);
    else
        OpenEntry(player, focused);
}

void spaceKey(Player& player) {
    if (!player.transport.DeviceReady)
        enterKey(player);
    else if (outputPaused(player))
        resumeOutput(player);
    else
        pauseOutput(player);
}

void stopKey(Player& player) {
    if (outputPaused(player))
        StopPlayback(player, true);
    else if (player.transport.DeviceReady)
        pauseOutput(player);
}

void tabKey(Player& player, bool previous) {
    const PlaylistState& pl = player.playlist;
    if (player.transport.PlayMode == PlayMode::PlayList) {
        const int last = static_cast<int>(pl.PlaylistEntries.size()) - 1;
        if (previous ? pl.CurrentIndex == 0 : pl.CurrentIndex == last)
            return;
    }
    switchTo(player, NextIndex(player, previous));
}

void keyboardSeek(Player& player, int direction, int shift) {
    if (!player.transport.DeviceReady)
        return;
    player.transport.Seeking = true;
    const std::int64_t step = isShift(shift) ? 100 : isCtrl(shift) ? 60000 : 3000;
    moveSeekBar(player, player.mirror.SeekBarPosition + direction * step);
    setLabel(player, seekLabel(player, ""));
}

void graveKey(Player& player) {
    const PlaylistState& pl = player.playlist;
    if (pl.PlayingEntry.empty())
        return;
    if (pl.CurrentIndex == -1) {
        player.view.ShowMessageKind(MessageKind::Information,
                                    pl.PlayingEntry + "\r" +
                                        "不在当前播放列表中或播放列表已经更改。");
        return;
    }
    ScrollToCurrent(player);
    SelectEntry(player, pl.CurrentIndex);
}

bool isLetter(int key) {
    return key >= vk::LetterA && key <= vk::LetterA + 25;
}
bool isDigit1To9(int key) {
    return key >= vk::Digit0 + 1 && key <= vk::Digit0 + 9;
}

bool dispatch(Player& player, int key, int shift) {
    switch (key) {
    case vk::Return:
        enterKey(player);
        return true;
    case vk::Space:
        if (shift != vk::NoModifier)
            return false;
        spaceKey(player);
        return true;
    case vk::Numpad0:
        stopKey(player);
        return true;
    case vk::Tab:
        if (shift != vk::NoModifier && !isShift(shift))
            return false;
        tabKey(player, isShift(shift));
        return true;
    case vk::Back:
        SeekTo(player, 0);
        moveSeekBar(player, 0);
        setLabel(player, seekLabel(player, "*"));
        return true;
    case vk::Left:
    case vk::Right:
        keyboardSeek(player, key == vk::Left ? -1 : 1, shift);
        return true;
    case vk::Up:
    case vk::Down:
        if (isCtrl(shift)) {
            // Moving lines while a nested loop holds some by index would
            // change what it holds: the move waits until the loop returns.
            player.nestedLoops.whenOutside(
                [&player, down = key == vk::Down] { moveSelectedEntries(player, down); });
            return true;
        }
        return shift == vk::NoModifier && focusIntoView(player, key == vk::Down);
    case vk::Pause:
        ToggleSoftMute(player);
        return true;
    case vk::OemGrave:
        graveKey(player);
        return true;
    case vk::Delete:
        player.view.runDeleteCommand();
        return true;
    case vk::Numpad7:
        // It replaces the list: it waits while a nested loop holds lines of it.
        player.nestedLoops.whenOutside([&player] { playLoveList(player); });
        return true;
    case vk::Add:
    case vk::OemPlus:
        SetVolume(player, player.transport.Volume + (isShift(shift) ? 1 : 30));
        return true;
    case vk::Subtract:
    case vk::OemMinus:
        SetVolume(player, player.transport.Volume - (isShift(shift) ? 1 : 30));
        return true;
    default:
        break;
    }
    if (isCtrl(shift) && key == kKeyA) {
        selectAllRows(player);
        return true;
    }
    if (isCtrl(shift) && key == kKeyC) {
        copySelectedRows(player);
        return true;
    }
    if ((isLetter(key) && (shift == vk::NoModifier || isShift(shift))) ||
        (isDigit1To9(key) && shift == vk::NoModifier)) {
        const char c = isLetter(key) ? static_cast<char>('a' + (key - vk::LetterA))
                                     : static_cast<char>('0' + (key - vk::Digit0));
        player.view.openFindWindow(std::string(1, c));
        return true;
    }
    return false;
}

} // namespace

bool RunKeyCommand(Player& player, int key, int shift) {
    if (player.transport.Busy)
        return false;
    player.transport.Busy = true;
    bool handled = false;
    try {
        handled = dispatch(player, key, shift);
    } catch (...) {
        player.transport.Busy = false;
        throw;
    }
    player.transport.Busy = false;
    return handled;
}

void pauseButton(Player& player) {
    if (outputState(player) != ChannelState::Stopped) {
        RunKeyCommand(player, vk::Space, vk::NoModifier);
        return;
    }
    if (player.transport.Busy)
        return;
    // Enter then Space would play the entry for a moment before the pause.
    player.transport.Busy = true;
    struct Done {
        Player& player;
        ~Done() { player.transport.Busy = false; }
    } done{player};
    int index = player.view.focusedLine();
    if (player.playlist.PlaylistEntries.empty()) {
        // Enter's offer to add files comes first, once: a Space after it
        // would only make the same offer again when nothing was added.
        player.view.runAddFilesCommand();
        if (player.playlist.PlaylistEntries.empty())
            return;
        index = 0; // what Enter would play
    }
    openEntryHeld(player, index);
    pauseOutput(player);
}

void pauseOutput(Player& player) {
    // Lost while paused (no tick runs then): the output no longer pauses.
    if (stopIfDeviceLost(player))
        return;
    if (const AudioHandle out = player.feed.OutputStream) {
        EngineWaitProbe probe(player.engineWaits, "ChannelPause");
        player.audio.ChannelPause(out);
    }
    player.view.setStatusPanelText(kInfoPanel, "已暂停");
    setStatusRunning(player, false);
    LevelStop(player);
}

void resumeOutput(Player& player) {
    const AudioHandle out = player.feed.OutputStream;
    // After a switch the window has not followed, MainDecoder already
    // decodes the next file: describe the one being heard from the file.
    // The callback raises Switched before it replaces the decoder, so the
    // decoder is read first.
    const AudioHandle main = player.feed.MainDecoder;
    const AudioHandle heard = player.feed.Switched ? 0 : main;
    player.view.setStatusPanelText(kInfoPanel,
                                   FormatDescription(player, player.playlist.PlayingEntry, heard));
    {
        EngineWaitProbe probe(player.engineWaits, "ChannelResume");
        player.audio.ChannelResume(out);
    }
    setStatusRunning(player, true);
    LevelStart(player);
}

void switchTo(Player& player, int index) {
    if (index == -1)
        return;
    if (outputPaused(player)) {
        openEntryHeld(player, index);
        pauseOutput(player);
    } else {
        OpenEntry(player, index);
        ScrollToCurrent(player);
    }
}

void finishKeyboardSeek(Player& player) {
    if (!player.transport.DeviceReady)
        return;
    endSeek(player);
}

void endSeek(Player& player) {
    if (!player.transport.Seeking)
        return;
    player.transport.Seeking = false;
    SeekTo(player, MsToBytes(player, player.mirror.SeekBarPosition));
}

bool beginSeekDrag(Player& player) {
    if (ClassifyEntry(player.playlist.PlayingEntry) == EntryKind::Stream ||
        !player.transport.DeviceReady)
        return false;
    player.transport.Seeking = true;
    return true;
}

void seekDragTo(Player& player, std::int64_t ms) {
    if (!player.transport.Seeking)
        return;
    moveSeekBar(player, ms);
    setLabel(player, seekLabel(player, ""));
}

void endSeekDrag(Player& player) {
    endSeek(player);
}

void playLoveList(Player& player) {
    const std::string file = player.paths.inFolder("love.txt");
    std::error_code error;
    if (!std::filesystem::is_regular_file(file, error)) {
        player.view.ShowMessageKind(
            MessageKind::Information,
            "在程序文件夹中创建一个名为 \"love.txt\" 的播放列表，\r每行写一个音乐文件的路径，"
            "\r然后再按下小键盘上的 7 键播放它。");
        return;
    }
    OpenPath(player, file, OpenMode::ReplaceList);
    SetVolume(player, 1000);
    setPlayMode(player, PlayMode::Shuffle);
    OpenEntry(player, 0);
    player.view.useBuiltInLook(kAlternativeLook);
    player.view.maximizeWindow();
}

} // namespace kesto
