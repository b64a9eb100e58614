#include "tags/id3v2_text.h"

#include <id3v2framefactory.h>
#include <id3v2tag.h>
#include <mpegfile.h>
#include <tfilestream.h>

namespace kesto {

std::optional<Id3v2Fields> readId3v2(const std::string& path) {
    // Our own read-only stream: TagLib opens a file for writing when it may,
    // and the player only ever looks.
    TagLib::FileStream stream(path.c_str(), true);
    if (!stream.isOpen())
        return std::nullopt;
    TagLib::MPEG::File file(&stream, TagLib::ID3v2::FrameFactory::instance(), false);
    if (!file.isValid() || !file.hasID3v2Tag())
        return std::nullopt;
    const TagLib::ID3v2::Tag* tag = file.ID3v2Tag();
    if (tag == nullptr)
        return std::nullopt;
    const auto text = [](const TagLib::String& s) {
        return s.to8Bit(true);
    };
    Id3v2Fields fields;
    fields.title = text(tag->title());
    fields.artist = text(tag->artist());
    fields.album = text(tag->album());
    if (const unsigned year = tag->year())
        fields.year = std::to_string(year);
    if (const unsigned track = tag->track())
        fields.track = std::to_string(track);
    fields.genre = text(tag->genre());
    fields.comment = text(tag->comment());
    return fields;
}

} // namespace kesto
