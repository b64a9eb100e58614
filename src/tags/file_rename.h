#pragma once

// Renaming a playlist entry's file on disk without ever replacing another
// file, and carrying the new name into everything the player holds by that
// entry's text, so a playing file plays on under its new name.

#include <string>
#include <string_view>

namespace kesto {

class Player;

enum class RenameResult {
    Renamed,
    TargetExists, // another file already has the new name; nothing changed
    Failed,       // the file system refused (missing file, no permission, ...)
};

// Renames `from` to `to` only when `to` does not exist. Unlike rename(2) it
// never replaces a file: a taken name is TargetExists.
RenameResult renameNoReplace(const std::string& from, const std::string& to);

// A name that stays in its folder (not empty, no "/", not "." or "..") and
// that a playlist line can hold: a "|" would start the line's title.
bool isPlainFileName(std::string_view name);

// Puts `newEntry` in the place of the entry at `index` and of every copy of
// the old text the queue, the shuffle history and the play order hold. When
// it is the entry loaded for playback, the playback goes on: decoders read
// from open files, which a rename does not disturb. The caption follows.
void replaceEntryText(Player& player, int index, const std::string& newEntry);

} // namespace kesto
