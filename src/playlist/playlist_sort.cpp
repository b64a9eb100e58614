#include "playlist/playlist_sort.h"

#include "controls/fast_strings.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstring>
#include <utility>

namespace kesto {

int compareIgnoringCase(std::string_view a, std::string_view b) {
    const std::size_t n = std::min(a.size(), b.size());
    std::size_t i = 0;
    // Paths of one folder share long prefixes; equal words are equal when lowered too.
    while (i + 8 <= n && std::memcmp(a.data() + i, b.data() + i, 8) == 0)
        i += 8;
    for (; i < n; ++i) {
        const auto ca = static_cast<unsigned char>(asciiLower(a[i]));
        const auto cb = static_cast<unsigned char>(asciiLower(b[i]));
        if (ca != cb)
            return ca < cb ? -1 : 1;
    }
    return a.size() < b.size() ? -1 : (a.size() > b.size() ? 1 : 0);
}

namespace {

// A long list's sort is dominated by fetching strings from all over memory.
// Each slot therefore carries 24 lower-cased bytes of its string as three
// big-endian words, taken after the prefix that every string of the range
// shares, and most comparisons end there. When a whole range ties on its
// words, it takes the bytes after its own longer shared prefix. The answers
// are always those of comparing the lower-cased strings, so the swaps, and
// with them the order of lines equal but for case, are the plain quicksort's.
constexpr std::size_t kWords = 3;

struct Slot {
    std::array<std::uint64_t, kWords> words;
    std::uint32_t index;
};

class QuickSorter {
public:
    explicit QuickSorter(std::vector<std::string_view> strings) : s_(std::move(strings)) {
        slots_.reserve(s_.size());
        for (std::size_t i = 0; i < s_.size(); ++i)
            slots_.push_back(Slot{{}, static_cast<std::uint32_t>(i)});
    }

    // Position k of the sorted list holds the string at order()[k].
    std::vector<std::uint32_t> order() {
        if (slots_.size() >= 2) {
            const std::ptrdiff_t hi = static_cast<std::ptrdiff_t>(slots_.size()) - 1;
            sort(0, hi, rekey(0, hi, 0));
        }
        std::vector<std::uint32_t> result;
        result.reserve(slots_.size());
        for (const Slot& slot : slots_)
            result.push_back(slot.index);
        return result;
    }

private:
    std::string_view text(const Slot& slot) const { return s_[slot.index]; }

    // Lengthens `skip` to the prefix all strings of lo..hi share (ignoring
    // case), then gives each slot the words that follow it.
    std::size_t rekey(std::ptrdiff_t lo, std::ptrdiff_t hi, std::size_t skip) {
        const std::string_view first = text(slots_[static_cast<std::size_t>(lo)]);
        std::size_t length = first.size();
        for (std::ptrdiff_t k = lo; k <= hi && length > skip; ++k) {
            const std::string_view t = text(slots_[static_cast<std::size_t>(k)]);
            std::size_t n = skip;
            const std::size_t end = std::min(length, t.size());
            while (n < end && asciiLower(t[n]) == asciiLower(first[n]))
                ++n;
            length = n;
        }
        for (std::ptrdiff_t k = lo; k <= hi; ++k) {
            Slot& slot = slots_[static_cast<std::size_t>(k)];
            const std::string_view t = text(slot);
            for (std::size_t w = 0; w < kWords; ++w)
                slot.words[w] = wordAt(t, length + 8 * w);
        }
        return length;
    }

    static std::uint64_t wordAt(std::string_view t, std::size_t from) {
        std::uint64_t word = 0;
        for (std::size_t n = from; n < from + 8; ++n)
            word = (word << 8) | (n < t.size() ? static_cast<unsigned char>(asciiLower(t[n])) : 0u);
        return word;
    }

    // `skip` is a prefix shared by both strings.
    int compare(const Slot& a, const Slot& b, std::size_t skip) const {
        for (std::size_t w = 0; w < kWords; ++w)
            if (a.words[w] != b.words[w])
                return a.words[w] < b.words[w] ? -1 : 1;
        if (a.index == b.index) // the pivot meets itself once per pass
            return 0;
        return compareIgnoringCase(text(a).substr(skip), text(b).substr(skip));
    }

    // The smaller part is sorted by recursion and the larger one by the loop,
    // which bounds the stack depth; the parts never overlap, so the result is
    // the same as sorting the lower part first.
    void sort(std::ptrdiff_t lo, std::ptrdiff_t hi, std::size_t skip) {
        while (lo < hi) {
            const Slot& first = slots_[static_cast<std::size_t>(lo)];
            bool tied = true;
            for (std::ptrdiff_t k = lo + 1; k <= hi && tied; ++k)
                tied = slots_[static_cast<std::size_t>(k)].words == first.words;
            if (tied)
                skip = rekey(lo, hi, skip);

            const Slot pivot = slots_[static_cast<std::size_t>((lo + hi) / 2)];
            std::ptrdiff_t i = lo;
            std::ptrdiff_t j = hi;
            do {
                while (compare(slots_[static_cast<std::size_t>(i)], pivot, skip) < 0)
                    ++i;
                while (compare(slots_[static_cast<std::size_t>(j)], pivot, skip) > 0)
                    --j;
                if (i <= j) {
                    std::swap(slots_[static_cast<std::size_t>(i)],
                              slots_[static_cast<std::size_t>(j)]);
                    ++i;
                    --j;
                }
            } while (i <= j);
            if (j - lo < hi - i) {
                if (lo < j)
                    sort(lo, j, skip);
                lo = i;
            } else {
                if (i < hi)
                    sort(i, hi, skip);
                hi = j;
            }
        }
    }

    std::vector<std::string_view> s_;
    std::vector<Slot> slots_;
};

template <typename T> void permute(std::vector<T>& items, const std::vector<std::uint32_t>& order) {
    std::vector<T> sorted;
    sorted.reserve(items.size());
    for (const std::uint32_t from : order)
        sorted.push_back(std::move(items[from]));
    items = std::move(sorted);
}

std::vector<std::uint32_t> sortedOrder(const std::vector<std::string>& strings) {
    return QuickSorter(std::vector<std::string_view>(strings.begin(), strings.end())).order();
}

} // namespace

void SortStrings(std::vector<std::string>& strings) {
    if (strings.size() < 2)
        return;
    permute(strings, sortedOrder(strings));
}

void SortStringsByKey(std::vector<std::string>& keys, std::vector<int>& order) {
    if (keys.size() < 2)
        return;
    const std::vector<std::uint32_t> sorted = sortedOrder(keys);
    permute(keys, sorted);
    permute(order, sorted);
}

void sortPathsByWay(std::vector<std::string>& paths, SortingWay way) {
    if (paths.size() < 2)
        return;
    if (way == SortingWay::WholeEntry) {
        SortStrings(paths);
        return;
    }
    // The file names are looked at in place; sorting them as keys and
    // carrying the paths along gives the same order.
    std::vector<std::string_view> names;
    names.reserve(paths.size());
    for (const std::string& p : paths)
        names.push_back(fileNamePart(p));
    permute(paths, QuickSorter(std::move(names)).order());
}

void SortPlaylist(Player& player, SortingWay way) {
    PlaylistState& pl = player.playlist;
    pl.SortingWay = way;
    std::vector<std::string>& entries = pl.PlaylistEntries;
    if (entries.size() < 2)
        return;

    // Only a real current line is looked for again: an empty text could match
    // an empty entry and invent a current line.
    const bool hadCurrent =
        pl.CurrentIndex >= 0 && static_cast<std::size_t>(pl.CurrentIndex) < entries.size();
    const std::string current =
        hadCurrent ? entries[static_cast<std::size_t>(pl.CurrentIndex)] : std::string();

    sortPathsByWay(entries, way);

    if (hadCurrent) {
        const auto it = std::find(entries.begin(), entries.end(), current);
        if (it != entries.end())
            pl.CurrentIndex = static_cast<int>(it - entries.begin());
    }
    RefreshListView(player, false, false);
    ScrollToCurrent(player);
}

} // namespace kesto
