#include "tags/id3v1.h"

#include "playlist/text_lines.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto {

namespace {

// Spelt as the tag's readers have always shown them, misspellings included.
constexpr std::array<std::string_view, kGenreCount> kGenres{"Blues",
                                                            "Classic Rock",
                                                            "Country",
                                                            "Dance",
                                                            "Disco",
                                                            "Funk",
                                                            "Grunge",
                                                            "Hip-Hop",
                                                            "Jazz",
                                                            "Metal",
                                                            "New Age",
                                                            "Oldies",
                                                            "Other",
                                                            "Pop",
                                                            "R&B",
                                                            "Rap",
                                                            "Reggae",
                                                            "Rock",
                                                            "Techno",
                                                            "Industrial",
                                                            "Alternative",
                                                            "Ska",
                                                            "Death Metal",
                                                            "Pranks",
                                                            "Soundtrack",
                                                            "Euro-Techno",
                                                            "Ambient",
                                                            "Trip-Hop",
                                                            "Vocal",
                                                            "Jazz+Funk",
                                                            "Fusion",
                                                            "Trance",
                                                            "Classical",
                                                            "Instrumental",
                                                            "Acid",
                                                            "House",
                                                            "Game",
                                                            "Sound Clip",
                                                            "Gospel",
                                                            "Noise",
                                                            "AlternRock",
                                                            "Bass",
                                                            "Soul",
                                                            "Punk",
                                                            "Space",
                                                            "Meditative",
                                                            "Instrumental Pop",
                                                            "Instrumental Rock",
                                                            "Ethnic",
                                                            "Gothic",
                                                            "Darkwave",
                                                            "Techno-Industrial",
                                                            "Electronic",
                                                            "Pop-Folk",
                                                            "Eurodance",
                                                            "Dream",
                                                            "Southern Rock",
                                                            "Comedy",
                                                            "Cult",
                                                            "Gangsta",
                                                            "Top 40",
                                                            "Christian Rap",
                                                            "Pop/Funk",
                                                            "Jungle",
                                                            "Native American",
                                                            "Cabaret",
                                                            "New Wave",
                                                            "Psychadelic",
                                                            "Rave",
                                                            "Showtunes",
                                                            "Trailer",
                                                            "Lo-Fi",
                                                            "Tribal",
                                                            "Acid Punk",
                                                            "Acid Jazz",
                                                            "Polka",
                                                            "Retro",
                                                            "Musical",
                                                            "Rock & Roll",
                                                            "Hard Rock",
                                                            "Folk",
                                                            "Folk-Rock",
                                                            "National Folk",
                                                            "Swing",
                                                            "Fast Fusion",
                                                            "Bebob",
                                                            "Latin",
                                                            "Revival",
                                                            "Celtic",
                                                            "Bluegrass",
                                                            "Avantgarde",
                                                            "Gothic Rock",
                                                            "Progessive Rock",
                                                            "Psychedelic Rock",
                                                            "Symphonic Rock",
                                                            "Slow Rock",
                                                            "Big Band",
                                                            "Chorus",
                                                            "Easy Listening",
                                                            "Acoustic",
                                                            "Humour",
                                                            "Speech",
                                                            "Chanson",
                                                            "Opera",
                                                            "Chamber Music",
                                                            "Sonata",
                                                            "Symphony",
                                                            "Booty Bass",
                                                            "Primus",
                                                            "Porn Groove",
                                                            "Satire",
                                                            "Slow Jam",
                                                            "Club",
                                                            "Tango",
                                                            "Samba",
                                                            "Folklore",
                                                            "Ballad",
                                                            "Power Ballad",
                                                            "Rhythmic Soul",
                                                            "Freestyle",
                                                            "Duet",
                                                            "Punk Rock",
                                                            "Drum Solo",
                                                            "A capella",
                                                            "Euro-House",
                                                            "Dance Hall",
                                                            "Goa",
                                                            "Drum & Bass",
                                                            "Club-House",
                                                            "Hardcore",
                                                            "Terror",
                                                            "Indie",
                                                            "BritPop",
                                                            "Negerpunk",
                                                            "Polsk Punk",
                                                            "Beat",
                                                            "Christian Gangsta Rap",
                                                            "Heavy Metal",
                                                            "Black Metal",
                                                            "Crossover",
                                                            "Contemporary Christian",
                                                            "Christian Rock",
                                                            "Merengue",
                                                            "Salsa",
                                                            "Trash Metal",
                                                            "Anime",
                                                            "JPop",
                                                            "Synthpop"};

std::string systemError(int code) {
    char buffer[256];
    // The GNU strerror_r, which may return a static text instead of filling the buffer.
    return ::strerror_r(code, buffer, sizeof buffer);
}

} // namespace

std::string_view genreName(int index) {
    if (index < 0 || index >= kGenreCount)
        return {};
    return kGenres[static_cast<std::size_t>(index)];
}

std::string tagFieldText(std::string_view bytes) {
    std::size_t end = bytes.size();
    while (end > 0 && static_cast<unsigned char>(bytes[end - 1]) <= ' ')
        --end;
    bytes = bytes.substr(0, end);
    if (isValidUtf8(bytes))
        return std::string(bytes);
    GbkDecoder gbk;
    if (auto text = gbk.toUtf8(bytes))
        return *std::move(text);
    // Neither: the bytes as they are rather than nothing, as playlist lines.
    return std::string(bytes);
}

void TID3v1::reset() {
    Exists = false;
    VersionID = 1;
    Title.clear();
    Artist.clear();
    Album.clear();
    Year.clear();
    Comment.clear();
    Track = 0;
    GenreID = 255;
}

void TID3v1::readBlock(std::string_view block) {
    reset();
    if (block.size() != kId3v1Size || block.substr(0, 3) != "TAG")
        return;
    Exists = true;
    const auto byte = [&](std::size_t i) {
        return static_cast<std::uint8_t>(block[i]);
    };
    // Version 1.1 keeps a zero (or a blank, from writers that padded with
    // blanks) before a track byte at the comment's end.
    const bool withTrack =
        (byte(125) == 0 && byte(126) != 0) || (byte(125) == ' ' && byte(126) != ' ');
    VersionID = withTrack ? 2 : 1;
    Title = tagFieldText(block.substr(3, 30));
    Artist = tagFieldText(block.substr(33, 30));
    Album = tagFieldText(block.substr(63, 30));
    Year = tagFieldText(block.substr(93, 4));
    if (withTrack) {
        Comment = tagFieldText(block.substr(97, 28));
        Track = byte(126);
    } else {
        Comment = tagFieldText(block.substr(97, 30));
    }
    GenreID = byte(127);
}

bool TID3v1::ReadFromFile(const std::string& path) {
    reset();
    ReadError.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        ReadError = systemError(errno);
        return false;
    }
    struct stat info {};
    std::string block(kId3v1Size, '\0');
    bool ok = ::fstat(fd, &info) == 0;
    if (!ok) {
        ReadError = systemError(errno);
    } else if (!S_ISREG(info.st_mode) || info.st_size < static_cast<off_t>(kId3v1Size)) {
        // Seeking before the start of a short file is what fails here.
        ok = false;
        ReadError = systemError(S_ISDIR(info.st_mode) ? EISDIR : EINVAL);
    } else {
        const ssize_t got =
            ::pread(fd, block.data(), kId3v1Size, info.st_size - static_cast<off_t>(kId3v1Size));
        ok = got == static_cast<ssize_t>(kId3v1Size);
        if (!ok)
            ReadError = systemError(got < 0 ? errno : EIO);
    }
    ::close(fd);
    if (ok)
        readBlock(block);
    return ok;
}

} // namespace kesto
