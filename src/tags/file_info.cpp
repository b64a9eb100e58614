#include "tags/file_info.h"

#include "controls/fast_strings.h"
#include "playback/probes.h"
#include "player/player.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"
#include "tags/file_rename.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>

namespace kesto {

std::string LongTime(std::int64_t ms) {
    ms = std::max<std::int64_t>(ms, 0);
    char text[48];
    std::snprintf(text, sizeof text, "%lld:%02lld:%03lld", static_cast<long long>(ms / 60000),
                  static_cast<long long>(ms / 1000 % 60), static_cast<long long>(ms % 1000));
    return text;
}

std::string GroupedSize(std::uint64_t n, std::string_view separator) {
    const std::string digits = std::to_string(n);
    std::string out;
    for (std::size_t i = 0; i < digits.size(); ++i) {
        if (i > 0 && (digits.size() - i) % 3 == 0)
            out += separator;
        out += digits[i];
    }
    return out;
}

std::string fileInfoText(Player& player, const std::string& entry, std::string_view separator) {
    const std::string path(EntryPath(entry));
    std::string text(folderPart(path));
    std::error_code error;
    const std::uintmax_t size = std::filesystem::file_size(path, error);
    text += "\r\n\r\n大小: \t" + GroupedSize(error ? 0 : size, separator) + " 字节 ";

    AudioLibrary& audio = player.audio;
    const AudioHandle stream = audio.StreamCreateFile(path, kStreamDecode);
    text += "\r\n格式:   \t" + FormatDescription(player, entry, stream);
    const std::int64_t bytes = stream != 0 ? audio.StreamGetLength(stream) : -1;
    const double seconds = bytes > 0 ? audio.ChannelBytes2Seconds(stream, bytes) : 0.0;
    text += "\r\n长度:   \t" + LongTime(std::llround(seconds * 1000.0));
    audio.StreamFree(stream);
    return text;
}

std::string tagWindowText(const std::string& path, const TID3v1& tag,
                          const std::optional<Id3v2Fields>& v2) {
    const std::string dashes(58, '-');
    std::string text;
    const auto line = [&text](std::string_view s) {
        text += s;
        text += "\r\n";
    };
    line(folderPart(path));
    line(fileNamePart(path));
    line("");
    line(dashes);
    line("MP3v1 标签:");
    line("标题:  " + tag.Title);
    line("歌手:   " + tag.Artist);
    line("专辑:  " + tag.Album);
    line("年代: " + tag.Year);
    line("流派:  " + tag.GetGenre());
    line("注释:     " + tag.Comment);
    line(dashes);
    if (v2) {
        line("ID3v2 标签:");
        line("标题:  " + v2->title);
        line("歌手:   " + v2->artist);
        line("专辑:  " + v2->album);
        line("年代: " + v2->year);
        line("音轨:  " + v2->track);
        line("流派:  " + v2->genre);
        line("注释:     " + v2->comment);
        line(dashes);
    }
    std::replace(text.begin(), text.end(), '\0', ' ');
    return text;
}

std::string cleanedFileName(std::string name) {
    name = ReplaceAll(name, "_", " ", true);
    name = ReplaceAll(name, "%20", " ", true);
    for (int pass = 0; pass < 3; ++pass)
        name = ReplaceAll(name, "  ", " ", true);
    return name;
}

namespace {

// The line holding `entry`: at `index` when it is still there, else the first
// line with that text; -1 when the entry has left the list.
int lineOf(const PlaylistState& pl, int index, const std::string& entry) {
    const auto& entries = pl.PlaylistEntries;
    if (index >= 0 && index < static_cast<int>(entries.size()) &&
        entries[static_cast<std::size_t>(index)] == entry)
        return index;
    const auto it = std::find(entries.begin(), entries.end(), entry);
    return it == entries.end() ? -1 : static_cast<int>(it - entries.begin());
}

} // namespace

SingleRename renameEntryFile(Player& player, int index, const std::string& entry,
                             const std::string& newName) {
    const std::string path(EntryPath(entry));
    const std::string newPath = std::string(folderPart(path)) + newName;
    if (newPath == path)
        return SingleRename::Unchanged;
    const std::string_view extension = fileExtension(newName);
    if (extension.size() < 2) {
        player.view.ShowMessageKind(MessageKind::Information,
                                    "请以扩展名(例如 \".mp3\" 或 \".wav\")作为您的新文件名结尾");
        return SingleRename::NoExtension;
    }
    const int line = lineOf(player.playlist, index, entry);
    // A name with a "/" would move the file to another folder, a "|" split its line.
    if (line < 0 || !isPlainFileName(newName) ||
        renameNoReplace(path, newPath) != RenameResult::Renamed) {
        player.view.ShowMessageKind(MessageKind::Information, "无法重命名文件。");
        RefreshListView(player, true, true);
        return SingleRename::Failed;
    }
    // A display title after the path stays with the entry.
    const std::size_t bar = entry.find('|');
    replaceEntryText(player, line,
                     bar == std::string::npos ? newPath : newPath + entry.substr(bar));
    RefreshListView(player, true, true);
    return SingleRename::Renamed;
}

} // namespace kesto
