// The ID3v1 reader under any 128 bytes: the fields it fills are whole text
// and the genre is a name from the list or nothing.

#include "fuzz_entry.h"
#include "playlist/text_lines.h"
#include "tags/id3v1.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kesto;
    std::string block(fuzz::bytesOf(data, size));
    block.resize(128, '\0');
    TID3v1 tag;
    tag.readBlock(block);
    if (!tag.Exists) {
        KESTO_FUZZ_CHECK(tag.Title.empty() && tag.Artist.empty());
        return 0;
    }
    KESTO_FUZZ_CHECK(tag.VersionID == 1 || tag.VersionID == 2);
    KESTO_FUZZ_CHECK(tag.Title.size() <= 30 * 3 && tag.Comment.size() <= 30 * 3);
    KESTO_FUZZ_CHECK(tag.GetGenre().size() < 64);
    (void)tagFieldText(fuzz::bytesOf(data, size));
    return 0;
}
