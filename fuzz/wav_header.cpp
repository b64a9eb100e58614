// The RIFF/WAVE reader under any bytes: a header it accepts describes sample
// data that lies inside the file.

#include "fuzz_entry.h"
#include "playback/engine/wav_format.h"

#include <string>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kesto;
    (void)looksLikeWav(data, size);
    MemorySource source(std::string(fuzz::bytesOf(data, size)));
    AudioError error = AudioError::Ok;
    if (const auto wav = parseWav(source, error)) {
        KESTO_FUZZ_CHECK(wav->channels > 0 && wav->blockAlign > 0);
        KESTO_FUZZ_CHECK(wav->rate >= 1000 && wav->rate <= 384000);
        KESTO_FUZZ_CHECK(wav->dataOffset >= 0 && wav->frames >= 0);
        KESTO_FUZZ_CHECK(wav->dataOffset +
                             wav->frames * static_cast<std::int64_t>(wav->blockAlign) <=
                         static_cast<std::int64_t>(size));
    } else {
        KESTO_FUZZ_CHECK(error != AudioError::Ok);
    }
    return 0;
}
