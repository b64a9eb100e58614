// The MPEG audio probe under any bytes: a first frame it reports is a frame
// header it would parse again, inside the file.

#include "playback/engine/mpeg_probe.h"
#include "fuzz_entry.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kesto;
    if (size >= 4)
        (void)parseMpegHeader(data);
    MemorySource source(std::string(fuzz::bytesOf(data, size)));
    AudioError error = AudioError::Ok;
    if (const auto probe = probeMpeg(source, error)) {
        KESTO_FUZZ_CHECK(probe->firstFrameOffset >= 0);
        KESTO_FUZZ_CHECK(probe->firstFrameOffset + 4 <= static_cast<std::int64_t>(size));
        const auto again = parseMpegHeader(data + probe->firstFrameOffset);
        KESTO_FUZZ_CHECK(again && again->rate == probe->first.rate);
        KESTO_FUZZ_CHECK(probe->first.channels == 1 || probe->first.channels == 2);
    } else {
        KESTO_FUZZ_CHECK(error != AudioError::Ok);
    }
    return 0;
}
