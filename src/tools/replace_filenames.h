#pragma once

// The multiple file renamer's work: a find-and-replace over file names (or
// a prefix, or title case), the check of its result, and the renames on disk
// with the playlist lines that follow them.

#include <string>
#include <string_view>
#include <vector>

namespace kesto {

class Player;

// The replacement text that asks for title case instead of a replacement.
inline constexpr std::string_view kTitleCaseCode = "[case]";

// Upper-cases the first letter and every letter after a blank (not the
// last character); names of two characters or fewer stay. ASCII letters only.
std::string titleCase(std::string name);

// One file name transformed: title case for "[case]", every occurrence of
// `find` replaced ignoring case, or with an empty find `replacement` put in
// front.
std::string transformName(std::string_view name, std::string_view find,
                          std::string_view replacement);

// The new full path of each target path: its folder and its transformed name.
std::vector<std::string> newPathsFor(const std::vector<std::string>& targets, std::string_view find,
                                     std::string_view replacement);

// The first target whose new name cannot be a file name: empty, "?", or one
// that would leave the folder. -1 when every one can.
int firstRefusedName(const std::vector<std::string>& targets,
                     const std::vector<std::string>& newPaths);
// The warning shown for it.
std::string refusedNameWarning(std::string_view oldPath, std::string_view newPath);

// Renames each target (an entry text, path first) to its new path where the
// file exists and the path changes, never over another file, and gives the
// renamed lines their new paths; a line whose rename did not happen keeps
// its text. `lines` are the targets' playlist lines. Returns the renames done.
int applyRenames(Player& player, const std::vector<int>& lines,
                 const std::vector<std::string>& targets, const std::vector<std::string>& newPaths);

// "N 个文件已经被重命名。" and the line after it.
std::string renamedCountMessage(int count);

} // namespace kesto
