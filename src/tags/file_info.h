#pragma once

// What the file information window tells and does: the information text,
// the tag text, the clean-up of a file name and the rename on disk. Texts end
// their lines with "\r\n"; the window shows them as plain lines.

#include "tags/id3v1.h"
#include "tags/id3v2_text.h"

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kesto {

class Player;

// m:ss:mmm, minutes unpadded: 65432 gives "1:05:432".
std::string LongTime(std::int64_t ms);
// The decimal digits of n grouped by three from the right with `separator`
// (the locale's thousands separator, which the window knows).
std::string GroupedSize(std::uint64_t n, std::string_view separator);

// The folder, "大小:", "格式:" and "长度:" lines of an entry's file. The
// length comes from a decoder of its own; no sound device is needed for one.
std::string fileInfoText(Player& player, const std::string& entry, std::string_view separator);

// The tag window's text for a file: its ID3v1 block and, when the file also
// has one, its ID3v2 fields after it. Zero characters show as blanks.
std::string tagWindowText(const std::string& path, const TID3v1& tag,
                          const std::optional<Id3v2Fields>& v2);

// "_" and "%20" become blanks, then runs of blanks shrink (the clean-up button).
std::string cleanedFileName(std::string name);

enum class SingleRename {
    Unchanged,   // the name is the same: close, nothing done
    NoExtension, // refused with a message; the dialog stays open
    Renamed,
    Failed, // a message said so; the entry keeps its old path
};

// Renames the file of the playlist line holding `entry` (looked for at
// `index` first) to `newName` in the same folder, and gives the line the new
// path, keeping any display title. A playing file plays on. Messages go to
// the player's view; the list is refreshed.
SingleRename renameEntryFile(Player& player, int index, const std::string& entry,
                             const std::string& newName);

} // namespace kesto
