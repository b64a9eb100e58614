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
    std::vector<std::string> entries;
    // Programs in the wild write #EXTINF and their own "#" lines with or
    // without the #EXTM3U header, and plain lines between annotated ones; so
    // the header decides nothing. A "#" line is a comment, and the title of
    // an #EXTINF line waits for the next entry line, past other comments.
    const TextFinder extinf("#extinf:", false);
    std::optional<std::string> title;
    LineReader reader(bytes);
    std::string_view line;
    while (reader.next(line)) {
        if (isBlankLine(line))
            continue;
        if (line.starts_with('#')) {
            if (extinf.contains(line)) {
                const std::size_t comma = line.find(',');
                title = comma == std::string_view::npos
                            ? line
                            : utf8Prefix(line.substr(comma + 1), kMaxExtinfTitleChars);
            }
            continue;
        }
        if (title) {
            entries.push_back(streamOrFile(line, *title, folder, true));
            title.reset();
        } else {
            std::string entry(line);
            resolvePlaylistLineInPlace(entry, folder);
            entries.push_back(std::move(entry));
        }
    }
    return entries;
}

std::vector<std::string> parsePls(std::string_view bytes, std::string_view folder) {
    std::vector<std::string> entries;
    // Only the key decides what a line is: a title or a path that merely
    // contains "file" or "title" must not turn into an entry or a title.
    const TextFinder file("file", false);
    const TextFinder title{"title", false};
    // A file line waits for the line after it, which may name it.
    std::optional<std::string> pending;
    const auto flush = [&](std::string_view name) {
        entries.push_back(streamOrFile(*pending, name, folder, true));
        pending.reset();
    };
    LineReader reader(bytes);
    std::string_view line;
    while (reader.next(line)) {
        if (pending) {
            const auto t = title.contains(keyOf(line)) ? afterEquals(line) : std::nullopt;
            flush(t ? utf8Prefix(*t, kMaxTitleChars) : std::string_view(*pending));
        }
        if (!file.contains(keyOf(line)))
            continue;
        const auto value = afterEquals(line);
        if (value && !value->empty())
            pending.emplace(*value);
    }
    if (pending)
        flush(*pending);
    return entries;
}

std::vector<std::string> parseAsx(std::string_view bytes) {
    std::vector<std::string> entries;

    // The list's last title names every stream, those before it too.
    const TextFinder open("<title>", false);
    const TextFinder close("</title>", false);
    std::string listTitle;
    std::string_view line;
    for (LineReader reader(bytes); reader.next(line);) {
        const std::size_t start = findIgnoringCase(open, line);
        if (start == std::string_view::npos)
            continue;
        const std::size_t from = start + 7;
        const std::size_t end = findIgnoringCase(close, line, from);
        if (end != std::string_view::npos && end > from)
            listTitle = utf8Prefix(line.substr(from, end - from), kMaxTitleChars);
    }

    const TextFinder ref("<ref", false);
    for (LineReader reader(bytes); reader.next(line);) {
        std::string_view value;
        if (ref.contains(line)) {
            const std::size_t first = line.find('"');
            const std::size_t last = line.rfind('"');
            if (first == std::string_view::npos || last == first)
                continue;
            value = line.substr(first + 1, last - first - 1);
        } else if (line.size() >= 3 && equalsIgnoreCase(line.substr(0, 3), "ref")) {
            const auto v = afterEquals(line);
            if (!v)
                continue;
            value = *v;
        } else {
            continue;
        }
        if (value.empty())
            continue;
        entries.push_back(streamOrFile(
            value, listTitle.empty() ? value : std::string_view(listTitle), {}, false));
    }
    return entries;
}

std::vector<std::string> parseB4s(std::string_view bytes) {
    std::vector<std::string> entries;
    const TextFinder playstring("playstring", false);
    const TextFinder open("<name>", false);
    const TextFinder close("</name>", false);
    // A playstring waits for the line after it, which may name it.
    std::optional<std::string> pending;
    const auto flush = [&](std::string_view name) {
        entries.push_back(streamOrFile(*pending, utf8Prefix(name, kMaxTitleChars), {}, false));
        pending.reset();
    };
    LineReader reader(bytes);
    std::string_view line;
    while (reader.next(line)) {
        if (pending) {
            const std::size_t start = findIgnoringCase(open, line);
            if (start == std::string_view::npos) {
                flush(*pending);
            } else {
                const std::size_t end = findIgnoringCase(close, line, start + 6);
                flush(end == std::string_view::npos ? std::string_view{}
                                                    : line.substr(start + 6, end - start - 6));
            }
        }
        if (!playstring.contains(line))
            continue;
        const std::size_t first = line.find('"');
        const std::size_t second =
            first == std::string_view::npos ? first : line.find('"', first + 1);
        if (second == std::string_view::npos || second == first + 1)
            continue;
        pending.emplace(line.substr(first + 1, second - first - 1));
    }
    if (pending)
        flush(*pending);
    return entries;
}

std::vector<std::string> parseTxt(std::string_view bytes, std::string_view folder) {
    std::vector<std::string> entries;
    LineReader reader(bytes);
    std::string_view line;
    while (reader.next(line)) {
        if (isBlankLine(line))
            continue;
        std::string entry(line);
        resolvePlaylistLineInPlace(entry, folder);
        entries.push_back(std::move(entry));
    }
    return entries;
}

} // namespace kesto
