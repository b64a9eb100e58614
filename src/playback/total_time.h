#pragma once

// The total-time command's walk over the selected lines: each local file is
// opened as a decode-only stream and its length added up, with the window
// kept responsive (and Esc heard) between files.

#include <cstdint>
#include <optional>

namespace kesto {

class Player;

// The summed length, in whole seconds, of the selected audio files, modules
// and unclassified entries; nullopt when the user chose to give up. Opens the
// sound device for the walk when it is closed, and closes it again after.
// The walk holds the nested-loop gate from start to end, so the lines it was
// given stay the lines it measures: list changes that come meanwhile wait.
std::optional<std::int64_t> measureSelectedLength(Player& player);

} // namespace kesto
