#pragma once

// A scripted PlayerView for core tests: it records every call, answers
// questions from a queue, and behaves like a real virtual list (setting the
// line count drops the selection, the focus and the scroll position), so the
// core has to restore whatever it means to keep.

#include "player/player_view.h"

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

namespace kesto::test {

class FakeView : public PlayerView {
public:
    struct Message {
        MessageKind kind;
        std::string text;
        bool operator==(const Message&) const = default;
    };

    // ---- Script ----
    // Answers for askYesNo, first in first out. A question with no answer left
    // is recorded in `unansweredQuestions` and answered No.
    std::deque<bool> answers;
    // Runs inside every processPendingMessages call (after it is counted):
    // how a test presses Esc in the middle of a scan.
    std::function<void()> onProcessPendingMessages;
    int clientHeight = 160;
    int itemHeight = 16;

    // ---- Record ----
    std::vector<Message> messages;
    std::vector<std::string> questions;
    int unansweredQuestions = 0;
    int pendingMessageCalls = 0;
    std::map<int, std::string> panels;                     // latest text per panel
    std::vector<std::pair<int, std::string>> panelHistory; // every write, in order
    int viewFormatChecked = -1;
    bool busyCursor = false;
    std::vector<bool> cursorHistory;
    int updateDepth = 0;    // open beginListUpdate brackets
    int maxUpdateDepth = 0; // deepest nesting seen
    int repaints = 0;
    int lineCountChanges = 0;

    // ---- Playback record ----
    struct Timer {
        bool running = false;
        int periodMs = 0;
        bool operator==(const Timer&) const = default;
    };
    struct Levels {
        int style = 0, left = 0, right = 0;
        bool operator==(const Levels&) const = default;
    };
    std::string caption;
    std::vector<std::string> captionHistory;
    std::string trayHint;
    std::int64_t seekMax = 0;
    std::int64_t seekPosition = 0;
    int seekBarUpdates = 0;
    std::string timeLabel;
    int timeLabelUpdates = 0;
    int volumeShown = -1;
    std::vector<Levels> levels;
    int playModeChecked = -1;
    Timer statusTimer;
    std::vector<Timer> statusTimerHistory;
    bool levelTimer = false;
    std::vector<bool> levelTimerHistory;
    std::string clipboard;
    int addFilesCommands = 0;
    std::vector<std::string> findSeeds;
    int deleteCommands = 0;
    std::vector<int> looks;
    int maximizeCalls = 0;
    // The record command's captions, in order.
    std::vector<std::string> recordCaptions;
    // Save dialogs asked (filter, proposed name); each answers the next of
    // `saveAnswers`, or cancels when none is left.
    std::vector<std::pair<std::string, std::string>> saveDialogs;
    std::deque<std::string> saveAnswers;
    // Runs inside runAddFilesCommand: how a test picks files in the dialog.
    std::function<void()> onAddFiles;
    // Work handed to the event loop, run by runPosted.
    std::deque<std::function<void()>> posted;
    // What the event loop's next passes would do: runs the posted work, and
    // whatever that posts in turn.
    void runPosted();

    // ---- State a test may also set directly ----
    int lines = 0;
    int focused = -1;
    int top = 0;
    std::set<int> selected;

    std::vector<int> selectedVector() const { return {selected.begin(), selected.end()}; }

    // ---- PlayerView ----
    void ShowMessageKind(MessageKind kind, const std::string& text) override;
    bool askYesNo(const std::string& text) override;
    void processPendingMessages() override;
    // Workers post from their own threads.
    void post(std::function<void()> work) override {
        std::lock_guard lock(postedMutex);
        posted.push_back(std::move(work));
    }
    std::mutex postedMutex;

    int lineCount() const override { return lines; }
    void setLineCount(int count) override;
    int focusedLine() const override { return focused; }
    void setFocusedLine(int line) override;
    int topLine() const override { return top; }
    void setTopLine(int line) override;
    std::vector<int> selectedLines() const override { return selectedVector(); }
    bool isLineSelected(int line) const override { return selected.contains(line); }
    void selectLines(const std::vector<int>& lines) override;
    void clearSelection() override { selected.clear(); }
    void beginListUpdate() override;
    void endListUpdate() override;
    void repaintList() override { ++repaints; }
    int listClientHeight() const override { return clientHeight; }
    int listItemHeight() const override { return itemHeight; }

    void setStatusPanelText(int panel, const std::string& text) override;
    void setViewFormatChecked(ViewFormat format) override { viewFormatChecked = toInt(format); }
    void setBusyCursor(bool busy) override;

    void setCaption(const std::string& text) override;
    void setTrayHint(const std::string& text) override { trayHint = text; }
    void showSeekBar(std::int64_t max, std::int64_t position) override;
    void setTimeLabel(const std::string& text) override;
    void showVolume(int volume) override { volumeShown = volume; }
    void showLevels(VUStyle style, int left, int right) override {
        levels.push_back({toInt(style), left, right});
    }
    void setPlayModeChecked(PlayMode mode) override { playModeChecked = toInt(mode); }
    void setStatusTimer(bool running, int periodMs) override;
    void setLevelTimer(bool running) override;
    void setClipboardText(const std::string& text) override { clipboard = text; }
    void setRecordCaption(const std::string& text) override { recordCaptions.push_back(text); }
    std::string askSaveFileName(const std::string& filter, const std::string& name) override {
        saveDialogs.emplace_back(filter, name);
        if (saveAnswers.empty())
            return {};
        std::string answer = saveAnswers.front();
        saveAnswers.pop_front();
        return answer;
    }
    void runAddFilesCommand() override;
    void openFindWindow(const std::string& seed) override { findSeeds.push_back(seed); }
    void runDeleteCommand() override { ++deleteCommands; }
    void useBuiltInLook(int look) override { looks.push_back(look); }
    void maximizeWindow() override { ++maximizeCalls; }
};

} // namespace kesto::test
