#pragma once

// The commands around internet radio that are no window's own: adding an
// address typed by the user, fetching a remote .pls playlist, and asking a
// station for its name. The network work runs on workers; the results come
// back on the UI thread. Each function is called on the UI thread.

#include <functional>
#include <string>

namespace kesto {

class Player;

enum class AddRadioResult {
    Invalid,     // no "://": refused with a message
    Added,       // the address is in the playlist, as its own title
    Downloading, // a remote playlist is being fetched
};

// AddRadioAc after its question: the typed `text`.
AddRadioResult addRadioText(Player& player, const std::string& text);

// Fetches the .pls at `url` into the program folder on a worker and then
// adds its entries, or says that the address could not be reached.
void DownloadPlaylist(Player& player, const std::string& url);

// Asks the station at `url` for its name on a worker; `done` gets it on the
// UI thread: the icy-name header, or `url` itself when there is none.
void fetchStationName(Player& player, const std::string& url,
                      std::function<void(const std::string& name)> done);

} // namespace kesto
