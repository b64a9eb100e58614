#include "stream/radio_commands.h"

#include "platform/download_to_file.h"
#include "player/player.h"
#include "playlist/list_view.h"
#include "playlist/open_path.h"
#include "stream/connect_thread.h"
#include "stream/stream_keys.h"

#include <algorithm>
#include <filesystem>

namespace kesto {

namespace {

std::string lowerAscii(std::string text) {
    for (char& c : text) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

std::string spacesForEscapes(const std::string& text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text.compare(i, 3, "%20") == 0) {
            out += ' ';
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// "temp.pls" in the program folder, or a numbered neighbour while another
// download still owns that one: two playlists fetched at once must not
// write into one file.
std::string downloadTarget(Player& player) {
    const std::string folder = player.paths.programFolder() + "/";
    auto& busy = player.stream.downloadTargets;
    for (int n = 1;; ++n) {
        std::string name = folder + (n == 1 ? "temp.pls" : "temp" + std::to_string(n) + ".pls");
        if (std::find(busy.begin(), busy.end(), name) == busy.end()) {
            busy.push_back(name);
            return name;
        }
    }
}

void downloadFinished(Player& player, const std::string& target, bool fetched) {
    auto& busy = player.stream.downloadTargets;
    busy.erase(std::remove(busy.begin(), busy.end(), target), busy.end());
    if (fetched) {
        OpenPath(player, target, OpenMode::AddOnly);
    } else {
        player.view.ShowMessageKind(MessageKind::Information, "无法连接到 URL。");
    }
    std::error_code ignored;
    std::filesystem::remove(target, ignored);
}

} // namespace

AddRadioResult addRadioText(Player& player, const std::string& text) {
    if (lowerAscii(text).find("://") == std::string::npos) {
        player.view.ShowMessageKind(MessageKind::Information, "一个无效的 URL");
        return AddRadioResult::Invalid;
    }
    if (text.find(".pls") != std::string::npos) {
        DownloadPlaylist(player, text);
        RefreshListView(player, true, true);
        return AddRadioResult::Downloading;
    }
    const std::string address = spacesForEscapes(text);
    player.playlist.PlaylistEntries.push_back(address + "|" + address);
    RefreshListView(player, true, true);
    return AddRadioResult::Added;
}

void DownloadPlaylist(Player& player, const std::string& url) {
    const std::string target = downloadTarget(player);
    player.stream.workers.start([&player, url, target](const std::shared_ptr<WorkerToken>& self) {
        const auto& download = player.stream.hooks.download;
        bool written = false;
        if (download) {
            written = download(url, target);
        } else {
            DownloadOptions options;
            options.cancel = &self->stopFlag();
            written = DownloadToFile(url, target, options) > 0;
        }
        std::error_code ignored;
        const bool fetched =
            written && !self->stopRequested() && std::filesystem::file_size(target, ignored) > 0;
        player.view.post([&player, self, target, fetched] {
            if (self->stopRequested())
                return;
            // The playlist may be in the middle of a command that holds its
            // lines (a dialog is open): the new entries wait for it.
            player.nestedLoops.whenOutside(
                [&player, target, fetched] { downloadFinished(player, target, fetched); });
        });
    });
}

void fetchStationName(Player& player, const std::string& url,
                      std::function<void(const std::string& name)> done) {
    player.stream.workers.start(
        [&player, url, done = std::move(done)](const std::shared_ptr<WorkerToken>& self) {
            std::string name;
            const ConnectResult opened = openUrl(player, url, kStreamMeta);
            if (opened.handle != 0) {
                const TKeys keys = streamKeys(readStreamTags(player, opened.handle, TagKind::Icy),
                                              readStreamTags(player, opened.handle, TagKind::Meta));
                player.audio.StreamFree(opened.handle);
                if (const TKey* station = FindKey("icy-name", keys))
                    name = station->value;
            }
            if (!name.empty() && name.front() == ' ')
                name.erase(0, 1);
            if (name.empty())
                name = url;
            player.view.post([self, done, name] {
                if (!self->stopRequested())
                    done(name);
            });
        });
}

} // namespace kesto
