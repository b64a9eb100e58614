#pragma once

// Adding whole folders of music and refreshing the last opened one. The scan
// runs on the UI thread: it lets the window process its messages at every
// folder it enters, and Esc (CancelRequested) asks whether to give up.

#include <string>
#include <string_view>
#include <vector>

namespace kesto {

class Player;

// The folder filter: the last three characters, lower-cased, are "mp3", "wav"
// or "ogg". Only those types are picked up from folders.
bool isMusicFile(std::string_view path);

enum class ScanOutcome {
    Complete,
    Aborted, // the user chose to give up; CancelRequested is set again
    Failed,  // an unexpected error; what was collected stays
};

// Appends every file path below `folder`, depth first in the order the file
// system lists them. With `recursive` sub-folders are entered where they are
// met (each real folder once, so links that loop or point elsewhere are
// harmless); without it their names are collected like files. Folders that
// cannot be read are skipped; so are dangling links and special files.
ScanOutcome ScanFolder(Player& player, std::vector<std::string>& list, const std::string& folder,
                       bool recursive);

enum class FolderAddOutcome {
    Added,
    NotAFolder, // "无法打开此文件夹。" was shown
    NoMusic,    // "在给定的文件夹内没有音乐文件。" was shown
    Cancelled,  // given up by the user; the caller's command ends too
};

// Scans `folder` and appends its music files sorted by SortingWay, or with
// `clear` replaces the playlist with them (keeping the playing entry current).
FolderAddOutcome AddFolder(Player& player, const std::string& folder, bool clear, bool keepPosition,
                           bool recursive);

// Drops entries whose files are gone (missing_files.h: streams and titled
// lines of existing files stay) and appends files that have appeared in
// LastOpenedDir (recursively) and are not in the list yet, with or without a
// title, then says how many of each.
void RefreshFolder(Player& player);

} // namespace kesto
