#include "playback/play_order.h"

#include "playback/next_entry.h"
#include "playback/output.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"

#include <algorithm>
#include <chrono>
#include <random>
#include <string_view>
#include <unordered_map>
#include <unordered_set>

namespace kesto {

void pushRecent(RecentRing& ring, const std::string& text) {
    auto& s = ring.slots;
    if (std::find(s.begin(), s.end(), text) != s.end())
        return;
    std::move_backward(s.begin(), s.end() - 1, s.end());
    s[0] = text;
}

std::optional<std::string> popRecent(RecentRing& ring, const std::vector<std::string>& entries) {
    auto& s = ring.slots;
    if (s[1].empty() || std::find(entries.begin(), entries.end(), s[1]) == entries.end())
        return std::nullopt;
    std::string text = s[1];
    std::move(s.begin() + 1, s.end(), s.begin());
    s.back().clear();
    return text;
}

namespace {

// One run of the play-order rules over the live state, recording what it
// would change instead of changing it: the rings are copies, the shuffle
// history is the real one seen through what this run added or cleared.
class Planner {
public:
    Planner(Player& player, bool previous)
        : player_(player), entries_(player.playlist.PlaylistEntries), previous_(previous),
          mode_(player.transport.PlayMode), queueRecent_(player.transport.QueueRecent),
          shuffleRecent_(player.transport.ShuffleRecent) {}

    NextChoice run();
    int pickShuffled();
    const std::vector<PlayOrderStep>& steps() const { return choice_.steps; }

private:
    int size() const { return static_cast<int>(entries_.size()); }
    int findFirst(const std::string& text) const {
        const auto it = std::find(entries_.begin(), entries_.end(), text);
        return it == entries_.end() ? -1 : static_cast<int>(it - entries_.begin());
    }
    // Each entry is tested once per run: repeat-file over a broken file
    // would otherwise open it as often as the playlist is long.
    EntryTest test(int index) {
        const auto [it, fresh] = tested_.try_emplace(index, EntryTest::Playable);
        if (fresh)
            it->second = TestEntry(player_, entries_[static_cast<std::size_t>(index)]);
        if (it->second == EntryTest::NoDevice)
            noDevice_ = true;
        return it->second;
    }
    // Without a sound device nothing can play: one failed attempt (and its
    // one warning) is the answer for every entry, and nothing is chosen.
    NextChoice nothingPlays() { return NextChoice{}; }
    bool inHistory(std::string_view text);
    void clearHistory() {
        choice_.steps.push_back({PlayOrderStep::ClearShuffle, {}});
        historyCleared_ = true;
        appended_.clear();
    }
    int stepByMode(int from, bool& gaveUp);

    Player& player_;
    const std::vector<std::string>& entries_;
    const bool previous_;
    const PlayMode mode_;
    RecentRing queueRecent_;
    RecentRing shuffleRecent_;
    NextChoice choice_;
    std::unordered_map<int, EntryTest> tested_;
    bool historyBuilt_ = false;
    bool historyCleared_ = false;
    bool noDevice_ = false;
    std::unordered_set<std::string_view> history_;
    std::unordered_set<std::string_view> appended_;
};

bool Planner::inHistory(std::string_view text) {
    if (appended_.contains(text))
        return true;
    if (historyCleared_)
        return false;
    if (!historyBuilt_) {
        for (const std::string& h : player_.playlist.ShuffleHistory)
            history_.insert(h);
        historyBuilt_ = true;
    }
    return history_.contains(text);
}

int Planner::pickShuffled() {
    std::vector<int> candidates;
    for (int i = 0; i < size(); ++i) {
        if (!inHistory(entries_[static_cast<std::size_t>(i)]))
            candidates.push_back(i);
    }
    std::mt19937 random(
        static_cast<std::uint32_t>(std::chrono::steady_clock::now().time_since_epoch().count()));
    if (candidates.empty()) {
        clearHistory();
        if (size() == 0)
            return -1;
        return std::uniform_int_distribution<int>(0, size() - 1)(random);
    }
    const int pick =
        candidates[std::uniform_int_distribution<std::size_t>(0, candidates.size() - 1)(random)];
    // A duplicate line stands for its first copy, as everywhere else.
    return findFirst(entries_[static_cast<std::size_t>(pick)]);
}

int Planner::stepByMode(int from, bool& gaveUp) {
    const int n = size();
    switch (mode_) {
    case PlayMode::RepeatList:
        if (previous_)
            return (from - 1 < 0 || from - 1 >= n) ? n - 1 : from - 1;
        return (from + 1 >= n || from + 1 < 0) ? 0 : from + 1;
    case PlayMode::RepeatFile:
        return from;
    case PlayMode::PlayList:
        if (previous_) {
            gaveUp = from - 1 < 0;
            return from - 1;
        }
        gaveUp = from + 1 >= n;
        return from + 1;
    case PlayMode::Shuffle:
        if (previous_) {
            if (auto text = popRecent(shuffleRecent_, entries_)) {
                choice_.steps.push_back({PlayOrderStep::PopShuffleRecent, {}});
                return findFirst(*text);
            }
            return from;
        }
        return pickShuffled();
    case PlayMode::PlayFile: // nothing follows
        gaveUp = true;
        return -1;
    }
    gaveUp = true;
    return -1;
}

NextChoice Planner::run() {
    const int n = size();
    if (n == 0)
        return choice_;
    const auto& queue = player_.playlist.QueueList;
    int from = player_.playlist.CurrentIndex;
    int chosen = -1;

    if (previous_) {
        if (auto text = popRecent(queueRecent_, entries_)) {
            choice_.steps.push_back({PlayOrderStep::PopQueueRecent, {}});
            const int i = findFirst(*text);
            if (i >= 0 && test(i) == EntryTest::Playable)
                chosen = i;
        }
    } else {
        for (const std::string& text : queue) {
            choice_.queueWalked.push_back(text);
            const int i = findFirst(text);
            if (i >= 0 && test(i) == EntryTest::Playable) {
                chosen = i;
                break;
            }
            if (noDevice_)
                break;
        }
    }
    if (noDevice_)
        return nothingPlays();

    for (int attempts = 0, passes = 0;;) {
        bool gaveUp = false;
        if (chosen < 0) {
            from = stepByMode(from, gaveUp);
        } else {
            if (!previous_) {
                choice_.steps.push_back(
                    {PlayOrderStep::PushQueueRecent, entries_[static_cast<std::size_t>(chosen)]});
                choice_.steps.push_back({PlayOrderStep::TakeQueueHead, queue.front()});
            }
            from = chosen;
            // Used once: a queued entry that fails below must not take the
            // queue's head again on every further attempt.
            chosen = -1;
        }
        if (gaveUp || from < 0 || from >= n)
            return choice_;
        const std::string& entry = entries_[static_cast<std::size_t>(from)];
        if (ClassifyEntry(entry) != EntryKind::Stream && test(from) == EntryTest::Playable) {
            choice_.index = from;
            return choice_;
        }
        if (noDevice_)
            return nothingPlays();
        if (mode_ == PlayMode::Shuffle) {
            choice_.steps.push_back({PlayOrderStep::AppendShuffle, entry});
            appended_.insert(entry);
        }
        if (++attempts < n)
            continue;
        if (mode_ != PlayMode::Shuffle || ++passes >= 2)
            return choice_;
        attempts = 0;
        clearHistory();
    }
}

void eraseFirst(std::vector<std::string>& list, const std::string& text) {
    const auto it = std::find(list.begin(), list.end(), text);
    if (it != list.end())
        list.erase(it);
}

} // namespace

NextChoice chooseNext(Player& player, bool previous) {
    return Planner(player, previous).run();
}

void applyPlayOrderSteps(Player& player, const std::vector<PlayOrderStep>& steps) {
    PlaylistState& pl = player.playlist;
    for (const PlayOrderStep& step : steps) {
        switch (step.kind) {
        case PlayOrderStep::TakeQueueHead:
            // The queue may have changed since the choice: drop the text that
            // was the head, wherever it is now.
            if (!pl.QueueList.empty() && pl.QueueList.front() == step.text)
                pl.QueueList.erase(pl.QueueList.begin());
            else
                eraseFirst(pl.QueueList, step.text);
            break;
        case PlayOrderStep::PushQueueRecent:
            pushRecent(player.transport.QueueRecent, step.text);
            break;
        case PlayOrderStep::AppendShuffle:
            pl.ShuffleHistory.push_back(step.text);
            break;
        case PlayOrderStep::ClearShuffle:
            pl.ShuffleHistory.clear();
            break;
        case PlayOrderStep::PopQueueRecent:
            popRecent(player.transport.QueueRecent, pl.PlaylistEntries);
            break;
        case PlayOrderStep::PopShuffleRecent:
            popRecent(player.transport.ShuffleRecent, pl.PlaylistEntries);
            break;
        }
    }
}

int NextIndex(Player& player, bool previous) {
    NextChoice choice = chooseNext(player, previous);
    applyPlayOrderSteps(player, choice.steps);
    return choice.index;
}

int ShufflePick(Player& player) {
    Planner planner(player, false);
    const int index = planner.pickShuffled();
    applyPlayOrderSteps(player, planner.steps());
    return index;
}

std::string playModePanelText(PlayMode mode) {
    switch (mode) {
    case PlayMode::RepeatList:
        return "";
    case PlayMode::RepeatFile:
        return "循环文件";
    case PlayMode::PlayList:
        return "播放列表";
    case PlayMode::PlayFile:
        return "播放文件    ";
    case PlayMode::Shuffle:
        return "随机播放";
    }
    return "";
}

void ApplyPlayMode(Player& player) {
    player.view.setPlayModeChecked(player.transport.PlayMode);
    player.view.setStatusPanelText(kPlayModePanel, playModePanelText(player.transport.PlayMode));
    clearShuffleHistory(player);
    playOrderChanged(player);
}

void setPlayMode(Player& player, PlayMode mode) {
    player.transport.PlayMode = playModeFromInt(toInt(mode));
    ApplyPlayMode(player);
}

void stepPlayMode(Player& player, bool backwards) {
    const int last = toInt(PlayMode::Shuffle);
    const int mode = toInt(player.transport.PlayMode);
    player.transport.PlayMode =
        playModeFromInt(backwards ? (mode <= 0 ? last : mode - 1) : (mode >= last ? 0 : mode + 1));
    ApplyPlayMode(player);
}

void clearShuffleHistory(Player& player) {
    PlaylistState& pl = player.playlist;
    if (pl.QueueList.empty() && pl.ShuffleHistory.empty())
        return;
    pl.QueueList.clear();
    pl.ShuffleHistory.clear();
    RefreshListView(player, true, true);
    playOrderChanged(player);
}

} // namespace kesto
