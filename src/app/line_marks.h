#pragma once

// What the playlist view needs to know about an entry when it paints a line:
// its queue numbers and whether shuffle play has passed it. Looked up in hash
// tables that are rebuilt only when the queue or the shuffle history changes,
// so a paint costs the same with ten queued entries or ten thousand played.

#include <string>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace kesto {

class LineMarks {
public:
    // Brings the tables up to date; cheap when nothing changed.
    void refresh(const std::vector<std::string>& queue, const std::vector<std::string>& shuffled);

    // 1-based queue positions holding exactly this entry text, ascending.
    const std::vector<int>* queuePositions(std::string_view entry) const;
    bool queued(std::string_view entry) const { return queuePositions(entry) != nullptr; }
    bool shuffled(std::string_view entry) const { return shuffled_.contains(entry); }

private:
    struct Key {
        std::size_t size = 0;
        const std::string* front = nullptr;
        std::string firstText, lastText;
        bool operator==(const Key&) const = default;
    };
    static Key keyOf(const std::vector<std::string>& v);

    Key queueKey_, shuffleKey_;
    bool built_ = false;
    std::unordered_map<std::string_view, std::vector<int>> queue_;
    std::unordered_set<std::string_view> shuffled_;
};

} // namespace kesto
