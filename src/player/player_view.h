#pragma once

// What the core asks of a window. The main window implements it; core tests
// use a scripted fake that records every call and answers every question. The
// core never sees a widget: texts go out as UTF-8, answers come back as values.

#include "player/modes.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace kesto {

enum class MessageKind { Information = 0, Error = 1, Warning = 2 };

// Status-bar panels, left to right.
inline constexpr int kVolumePanel = 0;
inline constexpr int kCountPanel = 1;
inline constexpr int kPlayModePanel = 2;
inline constexpr int kInfoPanel = 3;

class PlayerView {
public:
    virtual ~PlayerView() = default;

    // Modal message box with an OK button.
    virtual void ShowMessageKind(MessageKind kind, const std::string& text) = 0;
    // Modal Yes/No question with an information icon; true for Yes.
    virtual bool askYesNo(const std::string& text) = 0;
    // Lets the window repaint and take input during long work on the UI thread;
    // this is how Esc reaches a running folder scan.
    virtual void processPendingMessages() = 0;
    // Runs `work` on the window's thread from a later pass of the event loop,
    // after the present event has been handled. Any thread may call it.
    virtual void post(std::function<void()> work) = 0;

    // ---- Playlist view ----
    // The list is virtual: it stores only a line count and asks
    // EntryDisplayText for the lines it paints. Lines are 0-based; -1 is "none".
    // Changing the count may drop the selection, the focus and the scroll
    // position; the core restores what it wants kept.
    virtual int lineCount() const = 0;
    virtual void setLineCount(int count) = 0;
    virtual int focusedLine() const = 0;
    // Moves the focus without touching the selection.
    virtual void setFocusedLine(int line) = 0;
    virtual int topLine() const = 0;
    virtual void setTopLine(int line) = 0;
    // Every selected line, ascending, in one call.
    virtual std::vector<int> selectedLines() const = 0;
    virtual bool isLineSelected(int line) const = 0;
    // Adds the given lines (ascending, all below lineCount) to the selection in one call.
    virtual void selectLines(const std::vector<int>& lines) = 0;
    virtual void clearSelection() = 0;
    // Brackets a batch of changes so the list repaints once, at the end.
    virtual void beginListUpdate() = 0;
    virtual void endListUpdate() = 0;
    virtual void repaintList() = 0;
    // Pixel heights that give the number of whole visible lines.
    virtual int listClientHeight() const = 0;
    virtual int listItemHeight() const = 0;

    // ---- Status bar, commands, cursor ----
    virtual void setStatusPanelText(int panel, const std::string& text) = 0;
    // Checks the view command of `format` (0 file name, 1 full path, 2
    // relative) and unchecks the other two.
    virtual void setViewFormatChecked(ViewFormat format) = 0;
    // The busy (hourglass) cursor over the window during long work.
    virtual void setBusyCursor(bool busy) = 0;

    // ---- Playback (src/playback) ----
    // The window caption and the application title ("Kesto 1.04b" when idle).
    virtual void setCaption(const std::string& text) = 0;
    // The tray icon's hint: the title of what plays.
    virtual void setTrayHint(const std::string& text) = 0;
    // The seek bar, in milliseconds; the core owns both values.
    virtual void showSeekBar(std::int64_t max, std::int64_t position) = 0;
    virtual void setTimeLabel(const std::string& text) = 0;
    // The volume label ("N %", N = volume div 10) and both volume bars. The
    // volume's status panel text comes through setStatusPanelText.
    virtual void showVolume(int volume) = 0;
    // LEDs lit on the meter of `style` (never VUStyle::None).
    virtual void showLevels(VUStyle style, int leftLeds, int rightLeds) = 0;
    // Checks the command of play mode `mode` and unchecks the others.
    virtual void setPlayModeChecked(PlayMode mode) = 0;
    // The timers that call StatusTick and LevelTick on the UI thread.
    virtual void setStatusTimer(bool running, int periodMs) = 0;
    virtual void setLevelTimer(bool running) = 0;
    virtual void setClipboardText(const std::string& text) = 0;

    // ---- Recorder (src/stream) ----
    // The record command's caption (the transport bar's button follows it).
    virtual void setRecordCaption(const std::string& caption) = 0;
    // The save dialog for a recording: `filter` as "text|pattern|text|pattern",
    // `proposedName` in the last-used folder. The chosen path, or empty.
    virtual std::string askSaveFileName(const std::string& filter,
                                        const std::string& proposedName) = 0;

    // ---- Commands of the window the transport reaches ----
    // The add-files dialog (Enter on an empty list); returns after it.
    virtual void runAddFilesCommand() = 0;
    // The find window, seeded with a typed letter or digit.
    virtual void openFindWindow(const std::string& seed) = 0;
    // The remove command on the selected entries.
    virtual void runDeleteCommand() = 0;
    // One of the built-in looks (1 = the alternative look).
    virtual void useBuiltInLook(int look) = 0;
    virtual void maximizeWindow() = 0;
};

} // namespace kesto
