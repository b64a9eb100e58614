#pragma once

// Favourites: saved playlists in the program folder's Favorites folder, one
// text playlist per file, the file's name being the title. Nothing about them
// lives in Kesto.ini; the list is read from disk whenever it is wanted, so a
// read-only settings file never stops them.

#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

class AppPaths;
class Player;
class PlayerView;

// The program folder's Favorites folder, ending in "/".
std::string favoritesFolder(const AppPaths& paths);

// Every file in `folder` and all its subfolders, as full paths, sorted with
// SortStrings. A missing folder gives an empty list and is not created.
std::vector<std::string> FavoriteList(const std::string& folder);

// A favourite's title: its file name up to the first ".".
std::string favoriteTitle(std::string_view path);

// The title the save question suggests: the text after the last "/" of the
// folder or file opened last, up to its first ".".
std::string suggestedFavoriteTitle(std::string_view lastOpenedDir);

// A title is a file name inside the folder, never a path: no "/", no NUL,
// not "." or "..", and short enough for one name with ".txt".
bool favoriteTitleUsable(std::string_view title);

// Shown when a title cannot be saved under (and asked again).
extern const char* const kFavoriteSaveFailed;

// Asks for a title with `suggestion` in the field; nullopt for cancel.
using AskFavoriteTitle = std::function<std::optional<std::string>(const std::string& suggestion)>;

// The save command: the empty-list message, the title question, the replace
// question, the error that asks again. True when a favourite was written.
bool FavoritesAdd(Player& player, const AskFavoriteTitle& ask);

enum class FavoriteRename {
    Renamed,  // or nothing to do: the name was its own already
    Unusable, // the title is not a name the folder can hold
    Failed,   // a favourite of that name exists, or the file is gone
};

// Moves `file` to `folder` + title + ".txt" (so a favourite from a subfolder
// comes up to the top and takes ".txt"); never replaces another file.
FavoriteRename renameFavorite(const std::string& folder, const std::string& file,
                              std::string_view title);

// The organiser's rename: asks with the favourite's title, says so and asks
// again for a title the folder cannot hold; a failed rename is silent.
void FavoriteRenameCommand(PlayerView& view, const std::string& folder, const std::string& file,
                           const AskFavoriteTitle& ask);

// Deletes the files for good (not to the trash); a file already gone is no error.
void deleteFavorites(const std::vector<std::string>& files);

// The playlist becomes the favourite's; the playing entry stays current,
// marked and scrolled to when it is in it, else nothing is current.
void OpenFavorite(Player& player, const std::string& file);

} // namespace kesto
