// What a radio server sends about itself, under any bytes: the ICY block and
// the metadata string become pairs with names and values, and the caption
// text made from a title never grows it.

#include "stream/stream_keys.h"
#include "fuzz_entry.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kesto;
    const std::string_view bytes = fuzz::bytesOf(data, size);
    // The first byte splits the input into a header block and a metadata string.
    const std::size_t cut = size == 0 ? 0 : data[0] % (size + 1);
    const std::optional<std::string> block(std::string(bytes.substr(0, cut)));
    const std::optional<std::string> meta(std::string(bytes.substr(cut)));

    (void)FlattenTags(block);
    const TKeys found = streamKeys(block, meta);
    // Every name finds its pair; the first hundred are enough to show it, and
    // checking them all would make the harness, not the parser, quadratic.
    for (std::size_t i = 0; i < found.size(); ++i) {
        KESTO_FUZZ_CHECK(!found[i].name.empty());
        if (i < 100)
            KESTO_FUZZ_CHECK(FindKey(found[i].name, found) != nullptr);
    }
    TKeys keys;
    ParseKeys(std::string(bytes), keys, "=", true, ";");
    ParseKeys(std::string(bytes), keys, ":", false, "\r\n");
    for (const TKey& key : keys)
        KESTO_FUZZ_CHECK(cleanTitle(key.value).size() <= key.value.size());
    KESTO_FUZZ_CHECK(cleanTitle(bytes).size() <= bytes.size());
    return 0;
}
