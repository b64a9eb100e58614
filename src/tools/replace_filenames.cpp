#include "tools/replace_filenames.h"

#include "controls/fast_strings.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "tags/file_rename.h"

#include <algorithm>
#include <filesystem>
#include <map>

namespace kesto {

std::string titleCase(std::string name) {
    if (name.size() <= 2)
        return name;
    name[0] = asciiUpper(name[0]);
    for (std::size_t i = 1; i + 1 < name.size(); ++i) {
        if (name[i - 1] == ' ')
            name[i] = asciiUpper(name[i]);
    }
    return name;
}

std::string transformName(std::string_view name, std::string_view find,
                          std::string_view replacement) {
    if (replacement == kTitleCaseCode)
        return titleCase(std::string(name));
    if (!find.empty())
        return ReplaceAll(name, find, replacement, false);
    return std::string(replacement) + std::string(name);
}

std::vector<std::string> newPathsFor(const std::vector<std::string>& targets, std::string_view find,
                                     std::string_view replacement) {
    std::vector<std::string> paths;
    paths.reserve(targets.size());
    for (const std::string& target : targets) {
        const std::string_view path = EntryPath(target);
        paths.push_back(std::string(folderPart(path)) +
                        transformName(fileNamePart(path), find, replacement));
    }
    return paths;
}

namespace {

// The new name: the text after the target's folder. A "/" put in by the
// replacement stays inside it, so the check below sees it.
std::string_view newNameOf(std::string_view oldPath, std::string_view newPath) {
    const std::size_t folder = folderPart(EntryPath(oldPath)).size();
    return newPath.size() >= folder ? newPath.substr(folder) : newPath;
}

bool isFile(const std::string& path) {
    std::error_code error;
    return std::filesystem::is_regular_file(path, error);
}

} // namespace

int firstRefusedName(const std::vector<std::string>& targets,
                     const std::vector<std::string>& newPaths) {
    const std::size_t n = std::min(targets.size(), newPaths.size());
    for (std::size_t i = 0; i < n; ++i) {
        const std::string_view name = newNameOf(targets[i], newPaths[i]);
        if (name == "?" || !isPlainFileName(name))
            return static_cast<int>(i);
    }
    return -1;
}

std::string refusedNameWarning(std::string_view oldPath, std::string_view newPath) {
    return "您想要重命名\r" + std::string(fileNamePart(EntryPath(oldPath))) + "\r为 '" +
           std::string(newNameOf(oldPath, newPath)) + "'.\r无法进行。";
}

int applyRenames(Player& player, const std::vector<int>& lines,
                 const std::vector<std::string>& targets,
                 const std::vector<std::string>& newPaths) {
    PlaylistState& pl = player.playlist;
    std::map<std::string, std::string> renamed; // old path -> new path, for repeated lines
    int count = 0;
    const std::size_t n = std::min({lines.size(), targets.size(), newPaths.size()});
    for (std::size_t i = 0; i < n; ++i) {
        const std::string& target = targets[i];
        const std::string path(EntryPath(target));
        const std::string& newPath = newPaths[i];
        if (path == newPath)
            continue;
        bool done = false;
        if (const auto it = renamed.find(path); it != renamed.end() && it->second == newPath) {
            done = true; // the same file on another line, renamed already
        } else if (isPlainFileName(newNameOf(target, newPath)) && isFile(path) &&
                   renameNoReplace(path, newPath) == RenameResult::Renamed) {
            done = true;
            renamed[path] = newPath;
            ++count;
        }
        if (!done)
            continue;
        // The line, if it still holds the target (modal windows keep the list
        // still, but a line is never trusted blindly).
        int line = lines[i];
        const auto& entries = pl.PlaylistEntries;
        if (line < 0 || line >= static_cast<int>(entries.size()) ||
            entries[static_cast<std::size_t>(line)] != target) {
            const auto it = std::find(entries.begin(), entries.end(), target);
            line = it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
        }
        const std::size_t bar = target.find('|');
        if (line >= 0)
            replaceEntryText(player, line,
                             bar == std::string::npos ? newPath : newPath + target.substr(bar));
    }
    return count;
}

std::string renamedCountMessage(int count) {
    return std::to_string(count) + " 个文件已经被重命名。\r检查您的播放列表中更新的文件。";
}

} // namespace kesto
