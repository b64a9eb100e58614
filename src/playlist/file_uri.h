#pragma once

// Other programs write local files into playlists as "file:" URIs, and file
// managers put them on the clipboard and into drops the same way. The player
// stores plain paths, so such a URI is read as the path it names wherever an
// entry comes in; left as it is, it would pass for an internet address.

#include <optional>
#include <string>
#include <string_view>

namespace kesto {

// The local path a "file:" URI names, percent escapes decoded:
// "file:///m/a%20b.mp3", "file://localhost/m/a.mp3" and "file:/m/a.mp3" all
// name a file of this machine. A Windows drive path ("file:///C:/m/a.mp3")
// comes back as "C:/m/a.mp3", the form the player keeps Windows lines in.
// Nothing for other text, for a URI naming another host, and for one with
// no path.
std::optional<std::string> localPathOfFileUri(std::string_view text);

// The entry with a file URI in its path part read as the local path, any
// "|title" kept; any other entry unchanged.
std::string localEntryText(std::string_view entry);

} // namespace kesto
