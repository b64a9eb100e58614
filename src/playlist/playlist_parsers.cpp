#include "playlist/playlist_parsers.h"

#include "controls/fast_strings.h"
#include "playlist/entry.h"
#include "playlist/file_uri.h"
#include "playlist/playlist_paths.h"
#include "playlist/text_lines.h"

#include <optional>

namespace kesto {

namespace {

// A stream keeps its title; anything else is a file named by the line. A file
// URI is a local file too, in every format.
std::string streamOrFile(std::string_view value, std::string_view title, std::string_view folder,
                         bool resolve) {
    if (std::optional<std::string> local = localPathOfFileUri(value))
        return std::move(*local);
    if (ClassifyEntry(value) == EntryKind::Stream) {
        std::string entry;
        entry.reserve(value.size() + 1 + title.size());
        entry.append(value).append("|").append(title);
        return entry;
    }
    return resolve ? resolvePlaylistLine(value, folder) : std::string(value);
}

// The text after the first "=", or nothing when the line has none.
std::optional<std::string_view> afterEquals(std::string_view line) {
    const std::size_t eq = line.find('=');
    if (eq == std::string_view::npos)
        return std::nullopt;
    return line.substr(eq + 1);
}

// The key of a "key=value" line (the whole line when there is no "=").
std::string_view keyOf(std::string_view line) {
    return line.substr(0, line.find('='));
}

// 0-based index of `pattern` (ASCII case ignored) at or after `from`, or npos.
std::size_t findIgnoringCase(const TextFinder& finder, std::string_view text,
                             std::size_t from = 0) {
    if (from > text.size())
        return std::string_view::npos;
    const std::size_t pos = finder.forward(text, from + 1);
    return pos == 0 ? std::string_view::npos : pos - 1;
}

// Nothing but spaces and tabs: no entry, only an empty row.
bool isBlankLine(std::string_view line) {
    return line.find_first_not_of(" \t") == std::string_view::npos;
}

} // namespace

std::vector<std::string> parseM3u(std::string_view bytes, std::string_view folder) {
    std::vector<std::string> lines = decodeLines(bytes);
    std::vector<std::string> entries;
    entries.reserve(lines.size());
    // Programs in the wild write #EXTINF and their own "#" lines with or
    // without the #EXTM3U header, and plain lines between annotated ones; so
    // the header decides nothing. A "#" line is a comment, and the title of
    // an #EXTINF line waits for the next entry line, past other comments.
    const TextFinder extinf("#extinf:", false);
    std::optional<std::string_view> title;
    for (std::string& line : lines) {
        if (isBlankLine(line))
            continue;
        if (line.starts_with('#')) {
            if (extinf.contains(line)) {
                const std::string_view info = line;
                const std::size_t comma = info.find(',');
                title = comma == std::string_view::npos
                            ? info
                            : utf8Prefix(info.substr(comma + 1), kMaxExtinfTitleChars);
            }
            continue;
        }
        if (title) {
            entries.push_back(streamOrFile(line, *title, folder, true));
            title.reset();
        } else {
            resolvePlaylistLineInPlace(line, folder);
            entries.push_back(std::move(line));
        }
    }
    return entries;
}

std::vector<std::string> parsePls(std::string_view bytes, std::string_view folder) {
    const std::vector<std::string> lines = decodeLines(bytes);
    std::vector<std::string> entries;
    // Only the key decides what a line is: a title or a path that merely
    // contains "file" or "title" must not turn into an entry or a title.
    const TextFinder file("file", false);
    const TextFinder title{"title", false};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!file.contains(keyOf(lines[i])))
            continue;
        const auto value = afterEquals(lines[i]);
        if (!value || value->empty())
            continue;
        std::string_view name = *value;
        if (i + 1 < lines.size() && title.contains(keyOf(lines[i + 1])))
            if (const auto t = afterEquals(lines[i + 1]))
                name = utf8Prefix(*t, kMaxTitleChars);
        entries.push_back(streamOrFile(*value, name, folder, true));
    }
    return entries;
}

std::vector<std::string> parseAsx(std::string_view bytes) {
    const std::vector<std::string> lines = decodeLines(bytes);
    std::vector<std::string> entries;

    const TextFinder open("<title>", false);
    const TextFinder close("</title>", false);
    std::string_view listTitle;
    for (const std::string& line : lines) {
        const std::size_t start = findIgnoringCase(open, line);
        if (start == std::string_view::npos)
            continue;
        const std::size_t from = start + 7;
        const std::size_t end = findIgnoringCase(close, line, from);
        if (end != std::string_view::npos && end > from)
            listTitle = std::string_view(line).substr(from, end - from);
    }

    const TextFinder ref("<ref", false);
    for (const std::string& line : lines) {
        std::string_view value;
        if (ref.contains(line)) {
            const std::size_t first = line.find('"');
            const std::size_t last = line.rfind('"');
            if (first == std::string::npos || last == first)
                continue;
            value = std::string_view(line).substr(first + 1, last - first - 1);
        } else if (line.size() >= 3 &&
                   equalsIgnoreCase(std::string_view(line).substr(0, 3), "ref")) {
            const auto v = afterEquals(line);
            if (!v)
                continue;
            value = *v;
        } else {
            continue;
        }
        if (value.empty())
            continue;
        const std::string_view name =
            listTitle.empty() ? value : utf8Prefix(listTitle, kMaxTitleChars);
        entries.push_back(streamOrFile(value, name, {}, false));
    }
    return entries;
}

std::vector<std::string> parseB4s(std::string_view bytes) {
    const std::vector<std::string> lines = decodeLines(bytes);
    std::vector<std::string> entries;
    const TextFinder playstring("playstring", false);
    const TextFinder open("<name>", false);
    const TextFinder close("</name>", false);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::string_view line = lines[i];
        if (!playstring.contains(line))
            continue;
        const std::size_t first = line.find('"');
        const std::size_t second =
            first == std::string_view::npos ? first : line.find('"', first + 1);
        if (second == std::string_view::npos || second == first + 1)
            continue;
        const std::string_view value = line.substr(first + 1, second - first - 1);
        std::string_view name = value;
        if (i + 1 < lines.size()) {
            const std::string_view next = lines[i + 1];
            const std::size_t start = findIgnoringCase(open, next);
            if (start != std::string_view::npos) {
                const std::size_t end = findIgnoringCase(close, next, start + 6);
                name = end == std::string_view::npos ? std::string_view{}
                                                     : next.substr(start + 6, end - start - 6);
            }
        }
        entries.push_back(streamOrFile(value, utf8Prefix(name, kMaxTitleChars), {}, false));
    }
    return entries;
}

std::vector<std::string> parseTxt(std::string_view bytes, std::string_view folder) {
    std::vector<std::string> lines = decodeLines(bytes);
    std::erase_if(lines, [](const std::string& line) { return isBlankLine(line); });
    for (std::string& line : lines)
        resolvePlaylistLineInPlace(line, folder);
    return lines;
}

} // namespace kesto
