#pragma once

// A playlist entry is one string: a path or URL, optionally followed by "|"
// and a display title. These helpers split and classify it without copying.

#include <cstddef>
#include <string_view>

namespace kesto {

// The numeric order matters: below 3 counts as playable (Unclassified too,
// which lets unknown files through to the player), 3 to 7 are playlist files.
enum class EntryKind : int {
    Unclassified = -1,
    AudioFile = 0,
    Module = 1,
    Stream = 2,
    M3uList = 3,
    PlsList = 4,
    AsxList = 5,
    B4sList = 6,
    TxtList = 7,
};

inline bool isPlayableKind(EntryKind kind) {
    return static_cast<int>(kind) < 3;
}
inline bool isPlaylistKind(EntryKind kind) {
    return static_cast<int>(kind) >= 3;
}

inline constexpr std::size_t kMaxTitleChars = 1000;

// The text before the first "|", or the whole entry.
std::string_view EntryPath(std::string_view entry);
// The text after the first "|" (at most 1000 characters), or the whole entry.
std::string_view EntryTitle(std::string_view entry);

EntryKind ClassifyEntry(std::string_view text);

// The text after the last "/" (the whole text when there is none).
std::string_view fileNamePart(std::string_view path);
// The text up to and including the last "/"; empty when there is none.
std::string_view folderPart(std::string_view path);
// From the last "." of the file-name part on, dot included; empty when none.
std::string_view fileExtension(std::string_view path);

inline bool isUrl(std::string_view path) {
    return path.find("://") != std::string_view::npos;
}

} // namespace kesto
