// The metadata splitter under any bytes cut anywhere: every byte is audio,
// a length byte or metadata, and the audio comes out in order.

#include "fuzz_entry.h"
#include "playback/engine/icy_meta_splitter.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2)
        return 0;
    // Two bytes choose the metadata interval and how the network cuts the bytes.
    const std::size_t metaInt = data[0] % 64;
    const std::size_t chunk = 1 + data[1] % 32;
    data += 2;
    size -= 2;

    kesto::IcyMetaSplitter whole(metaInt), cut(metaInt);
    std::string audioWhole, audioCut, metaWhole, metaCut;
    const auto audioTo = [](std::string& out) {
        return [&out](const std::uint8_t* p, std::size_t n) {
            out.append(reinterpret_cast<const char*>(p), n);
        };
    };
    const auto metaTo = [](std::string& out) {
        return [&out](std::string_view text) {
            KESTO_FUZZ_CHECK(!text.empty() && text.size() <= kesto::IcyMetaSplitter::kMaxMetaBytes);
            out.append(text).push_back('\n');
        };
    };
    whole.feed(data, size, audioTo(audioWhole), metaTo(metaWhole));
    for (std::size_t at = 0; at < size; at += chunk)
        cut.feed(data + at, std::min(chunk, size - at), audioTo(audioCut), metaTo(metaCut));
    KESTO_FUZZ_CHECK(audioWhole == audioCut && metaWhole == metaCut);
    KESTO_FUZZ_CHECK(audioWhole.size() <= size);
    if (metaInt == 0)
        KESTO_FUZZ_CHECK(audioWhole.size() == size);
    return 0;
}
