#include "playlist/playlist_paths.h"

#include "playlist/entry.h"
#include "playlist/file_uri.h"

namespace kesto {

bool isAbsoluteLine(std::string_view line) {
    const std::string_view path = EntryPath(line);
    return path.starts_with('/') || path.find(':') != std::string_view::npos ||
           path.starts_with("\\\\");
}

std::string resolvePlaylistLine(std::string_view line, std::string_view folder) {
    std::string_view path = EntryPath(line);
    if (std::optional<std::string> local = localPathOfFileUri(path)) {
        local->append(line.substr(path.size()));
        return std::move(*local);
    }
    if (isAbsoluteLine(line))
        return std::string(line);
    const std::string_view rest = line.substr(path.size()); // "|title" or empty
    std::string out;
    out.reserve(folder.size() + line.size());
    out.append(folder);
    if (path.find('\\') == std::string_view::npos) {
        out.append(path);
    } else {
        if (path.size() > 1 && path[0] == '\\' && path[1] != '\\')
            path.remove_prefix(1);
        for (const char c : path)
            out.push_back(c == '\\' ? '/' : c);
    }
    out.append(rest);
    return out;
}

void resolvePlaylistLineInPlace(std::string& line, std::string_view folder) {
    if (!isAbsoluteLine(line) || localPathOfFileUri(EntryPath(line)))
        line = resolvePlaylistLine(line, folder);
}

std::string_view relativeLineFor(std::string_view text, std::string_view folder) {
    if (folder.empty() || !text.starts_with(folder))
        return text;
    const std::string_view rest = text.substr(folder.size());
    if (isAbsoluteLine(rest) || EntryPath(rest).find('\\') != std::string_view::npos)
        return text;
    return rest;
}

} // namespace kesto
