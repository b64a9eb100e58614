#pragma once

// Playlist file formats as pure functions: the bytes of a file and the folder
// it lies in (ending in "/") go in, entries come out in file order. No file is
// touched here, so every format can be fed any bytes.
//
// Rules shared by the formats: lines end in CR LF or LF and are read as UTF-8,
// or as GBK when they are not UTF-8; keywords are found anywhere in a line,
// ignoring ASCII case, while the text taken out keeps its case. A stream entry
// carries its title as "url|title"; titles found for files are dropped. Files
// are resolved by the rules of playlist_paths.h, except in ASX and B4S files,
// whose values are kept as they are; in every format a "file:" URI is read as
// the local path it names. Blank lines name nothing.

#include <string>
#include <string_view>
#include <vector>

namespace kesto {

inline constexpr std::size_t kMaxExtinfTitleChars = 10000;

// Every line that does not start with "#" is one entry; "#" lines are
// comments. An "#extinf:" line gives its title (after the first comma) to the
// entry line after it, with or without an "#extm3u" header.
std::vector<std::string> parseM3u(std::string_view bytes, std::string_view folder);

// Every "fileN=value" line; a "titleN=" line right after it names a stream.
std::vector<std::string> parsePls(std::string_view bytes, std::string_view folder);

// "<ref ...>" lines (the value between the first and the last double quote) and
// "refN=value" lines; the file's last <title> names every stream.
std::vector<std::string> parseAsx(std::string_view bytes);

// "playstring" lines (the value between the first two double quotes), named by
// a "<name>" line right after them.
std::vector<std::string> parseB4s(std::string_view bytes);

// One entry per line, titles included.
std::vector<std::string> parseTxt(std::string_view bytes, std::string_view folder);

} // namespace kesto
