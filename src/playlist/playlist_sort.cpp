#include "playlist/playlist_sort.h"

#include "app/player.h"
#include "controls/fast_strings.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"

#include <algorithm>
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

// `OnSwap` sees every swap so that a companion list can follow. The smaller
// part is sorted by recursion and the larger one by the loop, which bounds the
// stack depth; the two parts never overlap, so the result is the same.
template <typename OnSwap>
void quickSort(std::vector<std::string>& s, std::ptrdiff_t lo, std::ptrdiff_t hi, OnSwap onSwap) {
    while (lo < hi) {
        const std::string pivot = asciiLowerCopy(s[static_cast<std::size_t>((lo + hi) / 2)]);
        std::ptrdiff_t i = lo;
        std::ptrdiff_t j = hi;
        do {
            while (compareIgnoringCase(s[static_cast<std::size_t>(i)], pivot) < 0)
                ++i;
            while (compareIgnoringCase(s[static_cast<std::size_t>(j)], pivot) > 0)
                --j;
            if (i <= j) {
                std::swap(s[static_cast<std::size_t>(i)], s[static_cast<std::size_t>(j)]);
                onSwap(i, j);
                ++i;
                --j;
            }
        } while (i <= j);
        if (j - lo < hi - i) {
            if (lo < j)
                quickSort(s, lo, j, onSwap);
            lo = i;
        } else {
            if (i < hi)
                quickSort(s, i, hi, onSwap);
            hi = j;
        }
    }
}

} // namespace

void SortStrings(std::vector<std::string>& strings) {
    if (strings.size() < 2)
        return;
    quickSort(strings, 0, static_cast<std::ptrdiff_t>(strings.size()) - 1,
              [](std::ptrdiff_t, std::ptrdiff_t) {});
}

void SortStringsByKey(std::vector<std::string>& keys, std::vector<int>& order) {
    if (keys.size() < 2)
        return;
    quickSort(keys, 0, static_cast<std::ptrdiff_t>(keys.size()) - 1,
              [&order](std::ptrdiff_t i, std::ptrdiff_t j) {
                  std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(j)]);
              });
}

void sortPathsByWay(std::vector<std::string>& paths, int way) {
    if (paths.size() < 2)
        return;
    if (way != 1) {
        SortStrings(paths);
        return;
    }
    std::vector<std::string> keys;
    keys.reserve(paths.size());
    std::vector<int> order(paths.size());
    for (std::size_t k = 0; k < paths.size(); ++k) {
        keys.emplace_back(fileNamePart(paths[k]));
        order[k] = static_cast<int>(k);
    }
    SortStringsByKey(keys, order);
    std::vector<std::string> sorted;
    sorted.reserve(paths.size());
    for (const int from : order)
        sorted.push_back(std::move(paths[static_cast<std::size_t>(from)]));
    paths = std::move(sorted);
}

void SortPlaylist(Player& player, int way) {
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
