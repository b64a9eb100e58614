#pragma once

// The file-system side of the folder browser: which sub-folders a folder has
// and which tree nodes lead down to a given folder. Plain C++, so the window
// only has to turn names into nodes.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// A folder lists at most this many sub-folders in the browser.
inline constexpr std::size_t kMaxSubFolders = 1000;

// True for an existing folder (a link to one counts).
bool isExistingFolder(const std::string& path);

// `path` with one "/" at the end; the empty text stays empty.
std::string withTrailingSlash(std::string path);

// The names of `folder`'s sub-folders (links to folders included), sorted
// ignoring case. When there are more than `limit`, the first `limit` in that
// order are kept, so the tree shows an unbroken alphabetical run. A folder
// that cannot be read has none.
std::vector<std::string> listSubFolders(const std::string& folder,
                                        std::size_t limit = kMaxSubFolders);

// True as soon as one sub-folder is found; decides whether a node gets an
// expand button before it is opened.
bool hasSubFolder(const std::string& folder);

// How to walk the tree down to a folder: the top-level node (index into
// `rootTexts`, -1 when none holds the path) and the folder names below it.
struct TreeRoute {
    int root = -1;
    std::vector<std::string> names;
    bool operator==(const TreeRoute&) const = default;
};

// `rootTexts` are the top-level nodes' folders. The deepest one that holds
// `path` is chosen, so a memory stick mounted at /media/stick is entered from
// its own node rather than from "/". Names compare exactly: file names are
// case-sensitive here.
TreeRoute routeToFolder(std::string_view path, const std::vector<std::string>& rootTexts);

} // namespace kesto
