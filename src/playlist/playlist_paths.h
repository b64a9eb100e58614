#pragma once

// How a line of a playlist file names a file, on Linux. Only the path part of
// a line (before any "|") decides.
//
// Absolute lines are kept as they are: a Linux path (starts with "/"), a URL
// or a Windows drive path (contains ":"; no Linux folder can stand for a drive
// letter), or a Windows network path (starts with two backslashes).
//
// Every other line is relative to the playlist's own folder. Playlists written
// on Windows separate folders with backslashes; in a relative line they become
// "/", after a single leading backslash ("\sub\a.mp3", relative to the
// playlist's drive root there) has been dropped. A Linux file name with a
// backslash in it therefore cannot be read from a relative line, which is why
// the writer stores such entries with their full path.

#include <string>
#include <string_view>

namespace kesto {

bool isAbsoluteLine(std::string_view line);

// `folder` is the playlist's folder ending in "/" (or empty). A "file:" URI
// line names the local path in it (file_uri.h), whatever the folder.
std::string resolvePlaylistLine(std::string_view line, std::string_view folder);

// The same, in place: a line that names itself as it is is not copied.
void resolvePlaylistLineInPlace(std::string& line, std::string_view folder);

// What to write for `text` in a playlist stored in `folder`: the text without
// the folder when it starts with it exactly and the remainder reads back as
// the same text; otherwise the text unchanged. A file system that tells
// letter cases apart gets no case-insensitive matching here: "/Music/" and
// "/music/" are different folders.
std::string_view relativeLineFor(std::string_view text, std::string_view folder);

} // namespace kesto
