#include "tools/favorites_list.h"

#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"
#include "playlist/open_path.h"
#include "playlist/playlist_files.h"
#include "playlist/playlist_sort.h"
#include "tags/file_rename.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <system_error>

namespace kesto {

namespace fs = std::filesystem;

const char* const kFavoriteSaveFailed =
    "您的播放列表无法被保存。\r\r该标题中可能含有任何一个以下字符: \r\\ / : ? \" <> |";

namespace {

constexpr const char* kEmptyPlaylist = "您的播放列表是空的，请先添加一些文件。";
constexpr const char* kReplaceQuestion = "已存在一个同名的播放列表。\r您想要替换已存在的文件吗？";
// One file name holds at most 255 bytes; the title shares them with ".txt".
constexpr std::size_t kLongestTitle = 255 - 4;

bool ensureFolder(const std::string& folder) {
    std::error_code error;
    fs::create_directories(folder, error);
    return fs::is_directory(folder, error);
}

} // namespace

std::string favoritesFolder(const AppPaths& paths) {
    return paths.inFolder("Favorites") + "/";
}

std::vector<std::string> FavoriteList(const std::string& folder) {
    std::vector<std::string> files;
    std::error_code error;
    fs::recursive_directory_iterator it(folder, fs::directory_options::skip_permission_denied,
                                        error);
    for (; !error && it != fs::recursive_directory_iterator(); it.increment(error)) {
        std::error_code kindError;
        if (!it->is_directory(kindError))
            files.push_back(it->path().string());
    }
    SortStrings(files);
    return files;
}

std::string favoriteTitle(std::string_view path) {
    const std::string_view name = fileNamePart(path);
    return std::string(name.substr(0, name.find('.')));
}

std::string suggestedFavoriteTitle(std::string_view lastOpenedDir) {
    const std::string_view last = fileNamePart(lastOpenedDir);
    return std::string(last.substr(0, last.find('.')));
}

bool favoriteTitleUsable(std::string_view title) {
    return !title.empty() && title != "." && title != ".." && title.size() <= kLongestTitle &&
           title.find('/') == std::string_view::npos && title.find('\0') == std::string_view::npos;
}

bool FavoritesAdd(Player& player, const AskFavoriteTitle& ask) {
    PlaylistState& list = player.playlist;
    if (list.PlaylistEntries.empty()) {
        player.view.ShowMessageKind(MessageKind::Information, kEmptyPlaylist);
        return false;
    }
    const std::string folder = favoritesFolder(player.paths);
    for (;;) {
        const std::optional<std::string> answer = ask(suggestedFavoriteTitle(list.LastOpenedDir));
        if (!answer || answer->empty())
            return false;
        if (favoriteTitleUsable(*answer)) {
            const std::string file = folder + *answer + ".txt";
            std::error_code error;
            if (fs::exists(fs::symlink_status(file, error)) &&
                !player.view.askYesNo(kReplaceQuestion))
                return false;
            if (ensureFolder(folder) && WritePlaylist(list, file, PlaylistFormat::Text))
                return true;
        }
        player.view.ShowMessageKind(MessageKind::Error, kFavoriteSaveFailed);
    }
}

FavoriteRename renameFavorite(const std::string& folder, const std::string& file,
                              std::string_view title) {
    if (!favoriteTitleUsable(title))
        return FavoriteRename::Unusable;
    if (!ensureFolder(folder))
        return FavoriteRename::Failed;
    const std::string target = folder + std::string(title) + ".txt";
    std::error_code error;
    if (fs::equivalent(file, target, error))
        return FavoriteRename::Renamed;
    // rename() would silently replace another favourite of that name.
    return renameNoReplace(file, target) == RenameResult::Renamed ? FavoriteRename::Renamed
                                                                  : FavoriteRename::Failed;
}

void FavoriteRenameCommand(PlayerView& view, const std::string& folder, const std::string& file,
                           const AskFavoriteTitle& ask) {
    for (;;) {
        const std::optional<std::string> answer = ask(favoriteTitle(file));
        if (!answer || answer->empty())
            return;
        if (renameFavorite(folder, file, *answer) != FavoriteRename::Unusable)
            return;
        view.ShowMessageKind(MessageKind::Error, kFavoriteSaveFailed);
    }
}

void deleteFavorites(const std::vector<std::string>& files) {
    for (const std::string& file : files) {
        std::error_code error;
        fs::remove(file, error);
    }
}

void OpenFavorite(Player& player, const std::string& file) {
    PlaylistState& list = player.playlist;
    OpenPath(player, file, OpenMode::ReplaceList);
    list.LastOpenedDir = file;
    list.CurrentIndex = -1;
    const auto& entries = list.PlaylistEntries;
    const auto found = std::find(entries.begin(), entries.end(), list.PlayingEntry);
    if (!list.PlayingEntry.empty() && found != entries.end())
        list.CurrentIndex = static_cast<int>(found - entries.begin());
    RefreshListView(player, false, false);
    if (list.CurrentIndex >= 0) {
        ScrollToCurrent(player);
        SelectEntry(player, list.CurrentIndex);
    }
}

} // namespace kesto
