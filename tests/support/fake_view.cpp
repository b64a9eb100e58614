#include "support/fake_view.h"

#include <algorithm>
#include <stdexcept>

namespace kesto::test {

void FakeView::ShowMessageKind(MessageKind kind, const std::string& text) {
    messages.push_back({kind, text});
}

bool FakeView::askYesNo(const std::string& text) {
    questions.push_back(text);
    if (answers.empty()) {
        ++unansweredQuestions;
        return false;
    }
    const bool answer = answers.front();
    answers.pop_front();
    return answer;
}

void FakeView::processPendingMessages() {
    ++pendingMessageCalls;
    if (onProcessPendingMessages)
        onProcessPendingMessages();
}

void FakeView::runPosted() {
    for (;;) {
        std::function<void()> work;
        {
            std::lock_guard lock(postedMutex);
            if (posted.empty())
                return;
            work = std::move(posted.front());
            posted.pop_front();
        }
        work();
    }
}

void FakeView::setLineCount(int count) {
    if (count < 0)
        throw std::logic_error("negative line count");
    lines = count;
    ++lineCountChanges;
    selected.clear();
    focused = -1;
    top = 0;
}

void FakeView::setFocusedLine(int line) {
    if (line < 0 || line >= lines)
        throw std::logic_error("focus outside the list: " + std::to_string(line));
    focused = line;
}

void FakeView::setTopLine(int line) {
    if (line < 0)
        throw std::logic_error("negative top line");
    top = std::min(line, std::max(lines - 1, 0));
}

void FakeView::selectLines(const std::vector<int>& toSelect) {
    if (!std::is_sorted(toSelect.begin(), toSelect.end()))
        throw std::logic_error("selectLines needs ascending lines");
    for (const int line : toSelect) {
        if (line < 0 || line >= lines)
            throw std::logic_error("selection outside the list: " + std::to_string(line));
        selected.insert(line);
    }
}

void FakeView::beginListUpdate() {
    ++updateDepth;
    maxUpdateDepth = std::max(maxUpdateDepth, updateDepth);
}

void FakeView::endListUpdate() {
    if (updateDepth == 0)
        throw std::logic_error("endListUpdate without beginListUpdate");
    --updateDepth;
}

void FakeView::setStatusPanelText(int panel, const std::string& text) {
    panels[panel] = text;
    panelHistory.emplace_back(panel, text);
}

void FakeView::setBusyCursor(bool busy) {
    busyCursor = busy;
    cursorHistory.push_back(busy);
}

// ---- Playback ----

void FakeView::setCaption(const std::string& text) {
    caption = text;
    captionHistory.push_back(text);
}

void FakeView::showSeekBar(std::int64_t max, std::int64_t position) {
    seekMax = max;
    seekPosition = position;
    ++seekBarUpdates;
}

void FakeView::setTimeLabel(const std::string& text) {
    timeLabel = text;
    ++timeLabelUpdates;
}

void FakeView::setStatusTimer(bool running, int periodMs) {
    statusTimer = {running, periodMs};
    statusTimerHistory.push_back(statusTimer);
}

void FakeView::setLevelTimer(bool running) {
    levelTimer = running;
    levelTimerHistory.push_back(running);
}

void FakeView::runAddFilesCommand() {
    ++addFilesCommands;
    if (onAddFiles)
        onAddFiles();
}

} // namespace kesto::test
