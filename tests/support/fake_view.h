#pragma once

// A scripted PlayerView for core tests: it records every call, answers
// questions from a queue, and behaves like a real virtual list (setting the
// line count drops the selection, the focus and the scroll position), so the
// core has to restore whatever it means to keep.

#include "app/player_view.h"

#include <deque>
#include <functional>
#include <map>
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
    // Answers for AskYesNo, first in first out. A question with no answer left
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

    // ---- State a test may also set directly ----
    int lines = 0;
    int focused = -1;
    int top = 0;
    std::set<int> selected;

    std::vector<int> selectedVector() const { return {selected.begin(), selected.end()}; }

    // ---- PlayerView ----
    void ShowMessageKind(MessageKind kind, const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    void processPendingMessages() override;

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
    void setViewFormatChecked(int format) override { viewFormatChecked = format; }
    void setBusyCursor(bool busy) override;
};

} // namespace kesto::test
