#include "app/line_marks.h"

namespace kesto {

LineMarks::Key LineMarks::keyOf(const std::vector<std::string>& v) {
    Key k;
    k.size = v.size();
    k.front = v.empty() ? nullptr : v.data();
    if (!v.empty()) {
        k.firstText = v.front();
        k.lastText = v.back();
    }
    return k;
}

void LineMarks::refresh(const std::vector<std::string>& queue,
                        const std::vector<std::string>& shuffled) {
    // Both lists change by appending, removing or clearing; their size, storage
    // and end texts catch each such change. The views point into the lists,
    // so storage moving (the front pointer) also forces a rebuild.
    const Key q = keyOf(queue);
    if (!built_ || !(q == queueKey_)) {
        queue_.clear();
        for (std::size_t i = 0; i < queue.size(); ++i)
            queue_[queue[i]].push_back(static_cast<int>(i) + 1);
        queueKey_ = q;
    }
    const Key s = keyOf(shuffled);
    if (!built_ || !(s == shuffleKey_)) {
        shuffled_.clear();
        shuffled_.reserve(shuffled.size());
        for (const auto& e : shuffled)
            shuffled_.insert(e);
        shuffleKey_ = s;
    }
    built_ = true;
}

const std::vector<int>* LineMarks::queuePositions(std::string_view entry) const {
    const auto it = queue_.find(entry);
    return it == queue_.end() ? nullptr : &it->second;
}

} // namespace kesto
