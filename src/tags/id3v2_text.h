#pragma once

// The ID3v2 tag most MP3 files carry today, at their start, read through
// TagLib: the few fields the tag window shows beside the ID3v1 tag.

#include <optional>
#include <string>

namespace kesto {

struct Id3v2Fields {
    std::string title;
    std::string artist;
    std::string album;
    std::string year;  // empty when the tag names none
    std::string track; // empty when the tag names none
    std::string genre;
    std::string comment;
};

// The file's ID3v2 fields, as UTF-8; nothing when it has no ID3v2 tag or
// cannot be read. The file is opened read-only.
std::optional<Id3v2Fields> readId3v2(const std::string& path);

} // namespace kesto
