#pragma once

// The ID3 version 1 tag: the last 128 bytes of an MP3 file, and the genre
// names its genre byte stands for. Read only; the player never writes tags.

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace kesto {

inline constexpr std::size_t kId3v1Size = 128;
inline constexpr int kGenreCount = 148;

// The genre name of an index, empty for any index the list does not have.
std::string_view genreName(int index);

class TID3v1 {
public:
    bool Exists = false;
    std::uint8_t VersionID = 1; // 1 = ID3v1.0, 2 = ID3v1.1 (with a track number)
    std::string Title;
    std::string Artist;
    std::string Album;
    std::string Year;
    std::string Comment;
    std::uint8_t Track = 0;
    std::uint8_t GenreID = 255; // 255 = none

    // Why the last ReadFromFile failed (the system's words), empty after a read.
    std::string ReadError;

    // Fills the fields from the file's last 128 bytes. True when they could be
    // read, with or without a tag in them; false (and ReadError) when the file
    // cannot be opened or is shorter than a tag.
    bool ReadFromFile(const std::string& path);
    // Fills the fields from the 128 bytes of a tag; anything not starting with
    // "TAG" leaves them reset with Exists false.
    void readBlock(std::string_view block);
    void reset();

    std::string GetGenre() const { return std::string(genreName(GenreID)); }
};

// A tag field's text: trailing blanks and control characters removed, and
// bytes that are not UTF-8 read as GBK, the code page most Chinese MP3s were
// tagged in.
std::string tagFieldText(std::string_view bytes);

} // namespace kesto
