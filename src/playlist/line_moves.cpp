#include "playlist/line_moves.h"

#include <algorithm>

namespace kesto {

bool moveLinesBy(std::vector<std::string>& entries, std::vector<int>& indexes, int distance,
                 int& currentIndex) {
    const int n = static_cast<int>(entries.size());
    if (distance == 0 || indexes.empty())
        return false;
    // Lines that are no longer in the list (it shrank under a drag) move nowhere.
    if (indexes.front() < 0 || indexes.back() >= n)
        return false;
    if (indexes.front() - distance < 0 || indexes.back() - distance > n - 1)
        return false;

    // Only the span from the highest new place to the lowest old place (or the
    // mirror of it) changes; within it the moved lines take their new places
    // and the others fill the rest in their old order.
    const int lo = distance > 0 ? indexes.front() - distance : indexes.front();
    const int hi = distance > 0 ? indexes.back() : indexes.back() - distance;
    const int span = hi - lo + 1;
    std::vector<char> moved(static_cast<std::size_t>(span), 0);
    std::vector<char> target(static_cast<std::size_t>(span), 0);
    for (int i : indexes) {
        moved[static_cast<std::size_t>(i - lo)] = 1;
        target[static_cast<std::size_t>(i - distance - lo)] = 1;
    }

    std::vector<std::string> rebuilt(static_cast<std::size_t>(span));
    int newCurrent = currentIndex;
    std::size_t k = 0; // next dragged line, in order
    int fill = lo;     // next place for a line that stays in order
    for (int i = lo; i <= hi; ++i) {
        std::string& e = entries[static_cast<std::size_t>(i)];
        int to;
        if (moved[static_cast<std::size_t>(i - lo)]) {
            to = indexes[k++] - distance;
        } else {
            while (target[static_cast<std::size_t>(fill - lo)])
                ++fill;
            to = fill++;
        }
        if (i == currentIndex)
            newCurrent = to;
        rebuilt[static_cast<std::size_t>(to - lo)] = std::move(e);
    }
    std::move(rebuilt.begin(), rebuilt.end(), entries.begin() + lo);
    for (int& i : indexes)
        i -= distance;
    currentIndex = newCurrent;
    return true;
}

} // namespace kesto
