#include "playlist/playlist_files.h"

#include "controls/fast_strings.h"
#include "player/player.h"
#include "player/settings.h"
#include "playlist/entry.h"
#include "playlist/list_view.h"
#include "playlist/playlist_parsers.h"
#include "playlist/playlist_paths.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto {

namespace {

enum class ReadStatus { Ok, Missing, Failed };

struct FileBytes {
    ReadStatus status = ReadStatus::Missing;
    std::string bytes; // what was read, also before a failure
    bool cut = false;  // the file went on past the size limit
};

FileBytes readPlaylistFile(const std::string& path) {
    FileBytes result;
    // Not blocking, so that a FIFO given a playlist's name cannot hold the
    // window while it waits for a writer; only a regular file is read.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        result.status =
            (errno == ENOENT || errno == ENOTDIR) ? ReadStatus::Missing : ReadStatus::Failed;
        return result;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        result.status = ReadStatus::Failed;
        return result;
    }
    constexpr std::size_t limit = PlaylistState::MaxPlaylistFileBytes;
    result.bytes.reserve(std::min(static_cast<std::size_t>(std::max<off_t>(st.st_size, 0)), limit));
    result.status = ReadStatus::Ok;
    char buffer[1 << 16];
    while (result.bytes.size() <= limit) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            result.status = ReadStatus::Failed;
            break;
        }
        if (n == 0)
            break;
        result.bytes.append(buffer, static_cast<std::size_t>(n));
    }
    ::close(fd);
    if (result.bytes.size() > limit) {
        // A line cut in half could name a wrong file: end at the last whole one.
        const std::size_t lf = std::string_view(result.bytes).substr(0, limit).rfind('\n');
        result.bytes.resize(lf == std::string::npos ? 0 : lf + 1);
        result.cut = true;
    }
    return result;
}

void warnIfCut(Player& player, const FileBytes& data, const std::string& file) {
    if (!data.cut)
        return;
    player.view.ShowMessageKind(MessageKind::Warning,
                                "播放列表文件太大，只读取了它的前 " +
                                    std::to_string(PlaylistState::MaxPlaylistFileBytes >> 20) +
                                    " MB:\r" + file);
}

std::size_t append(PlaylistState& state, std::vector<std::string>&& entries) {
    const std::size_t added = entries.size();
    std::vector<std::string>& list = state.PlaylistEntries;
    if (list.empty()) {
        list = std::move(entries);
    } else {
        list.reserve(list.size() + added);
        for (std::string& e : entries)
            list.push_back(std::move(e));
    }
    return added;
}

template <typename Parse>
std::size_t readWith(Player& player, const std::string& file, Parse parse) {
    FileBytes data = readPlaylistFile(file);
    if (data.status != ReadStatus::Ok)
        return 0;
    const std::size_t added = append(player.playlist, parse(data.bytes, folderPart(file)));
    warnIfCut(player, data, file);
    return added;
}

} // namespace

std::size_t ReadM3u(Player& player, const std::string& file) {
    return readWith(player, file, parseM3u);
}

std::size_t ReadPls(Player& player, const std::string& file) {
    return readWith(player, file, parsePls);
}

std::size_t ReadAsx(Player& player, const std::string& file) {
    return readWith(player, file,
                    [](std::string_view bytes, std::string_view) { return parseAsx(bytes); });
}

std::size_t ReadB4s(Player& player, const std::string& file) {
    return readWith(player, file,
                    [](std::string_view bytes, std::string_view) { return parseB4s(bytes); });
}

std::size_t ReadTxt(Player& player, const std::string& file) {
    FileBytes data = readPlaylistFile(file);
    if (data.status == ReadStatus::Missing)
        return 0;
    const std::size_t added = append(player.playlist, parseTxt(data.bytes, folderPart(file)));
    data.bytes = std::string(); // a large playlist's bytes go before the view work starts
    if (data.status == ReadStatus::Failed)
        player.view.ShowMessageKind(MessageKind::Error, "错误 12\r\r请报告此错误。");
    warnIfCut(player, data, file);

    RefreshListView(player, false, false);
    PlaylistState& pl = player.playlist;
    pl.LastOpenedDir.clear();
    if (pl.CurrentIndex >= 0 &&
        static_cast<std::size_t>(pl.CurrentIndex) < pl.PlaylistEntries.size()) {
        SelectEntry(player, pl.CurrentIndex);
        ScrollToCurrent(player);
    }
    return added;
}

std::string formatPlaylist(const std::vector<std::string>& entries, std::string_view folder,
                           PlaylistFormat format) {
    std::string out;
    std::size_t total = 64;
    for (const std::string& e : entries)
        total += e.size() + 16;
    out.reserve(total);

    if (format == PlaylistFormat::Pls) {
        out.append("[playlist]\r\nVersion=2\r\nNumberOfEntries=");
        out.append(std::to_string(entries.size())).append("\r\n");
    }
    std::size_t number = 0;
    for (const std::string& entry : entries) {
        ++number;
        switch (format) {
        case PlaylistFormat::Text:
            out.append(relativeLineFor(entry, folder));
            break;
        case PlaylistFormat::Pls:
            out.append("File").append(std::to_string(number)).append("=");
            out.append(relativeLineFor(EntryPath(entry), folder));
            break;
        case PlaylistFormat::M3u:
            out.append(relativeLineFor(EntryPath(entry), folder));
            break;
        }
        out.append("\r\n");
    }
    return out;
}

bool WritePlaylist(const PlaylistState& state, const std::string& file, PlaylistFormat format) {
    if (IniIsReadOnly(file))
        return false;
    return writeFileAtomically(file,
                               formatPlaylist(state.PlaylistEntries, folderPart(file), format));
}

PlaylistSaveTarget choosePlaylistSaveTarget(const std::string& file, PlaylistSaveType type) {
    static constexpr std::pair<std::string_view, PlaylistFormat> kWritable[] = {
        {".txt", PlaylistFormat::Text},
        {".m3u", PlaylistFormat::M3u},
        {".pls", PlaylistFormat::Pls},
    };
    const std::string_view ext = fileExtension(file);
    if (ext.empty()) {
        // The dialog adds the type's extension itself, but a desktop's own
        // dialog may not: the chosen type still decides.
        switch (type) {
        case PlaylistSaveType::M3u:
            return {file + ".m3u", PlaylistFormat::M3u};
        case PlaylistSaveType::Pls:
            return {file + ".pls", PlaylistFormat::Pls};
        case PlaylistSaveType::Text:
        case PlaylistSaveType::AnyFile:
            break;
        }
        return {file + ".txt", PlaylistFormat::Text};
    }
    for (const auto& [known, format] : kWritable)
        if (equalsIgnoreCase(ext, known))
            return {file, format};
    return {file, std::nullopt};
}

bool savePlaylistAs(Player& player, const std::string& file, PlaylistSaveType type) {
    player.playlist.CurrentIndex = -1;
    const PlaylistSaveTarget target = choosePlaylistSaveTarget(file, type);
    if (!target.format) {
        player.view.ShowMessageKind(
            MessageKind::Error, "无法保存播放列表：不支持“" + std::string(fileExtension(file)) +
                                    "”类型的文件。\r\r请用 .txt、.m3u 或 .pls 作为文件名的结尾。");
        return false;
    }
    if (WritePlaylist(player.playlist, target.file, *target.format))
        return true;
    player.view.ShowMessageKind(MessageKind::Error,
                                IniIsReadOnly(target.file)
                                    ? "无法保存播放列表：此文件是只读的。\r\r" + target.file
                                    : "无法保存播放列表：无法写入此文件。\r\r" + target.file);
    return false;
}

} // namespace kesto
