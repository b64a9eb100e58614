#pragma once

// The playlist's own sort: a quicksort over ASCII-lower-cased text compared by
// byte values. It is not stable; lines equal but for letter case may swap.

#include "player/modes.h"

#include <string>
#include <vector>

namespace kesto {

class Player;

// <0, 0, >0 as `a` sorts before, with or after `b`, ignoring ASCII case.
int compareIgnoringCase(std::string_view a, std::string_view b);

void SortStrings(std::vector<std::string>& strings);
// Sorts `keys` and applies every swap to `order` as well (same size).
void SortStringsByKey(std::vector<std::string>& keys, std::vector<int>& order);

// The current line stays on the same entry text; the way is remembered as
// SortingWay.
void SortPlaylist(Player& player, SortingWay way);

// The order of `paths` when sorted by `way`, applied in place.
void sortPathsByWay(std::vector<std::string>& paths, SortingWay way);

} // namespace kesto
