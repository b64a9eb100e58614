// A radio server's answer under any bytes: the status line, a header value
// and the sniffed format.

#include "playback/engine/stream_answer.h"
#include "fuzz_entry.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kesto;
    const std::string_view text = fuzz::bytesOf(data, size);
    if (const auto status = parseStatusLine(text)) {
        const AudioError error = answerError(*status);
        KESTO_FUZZ_CHECK((status->code / 100 == 2) == (error == AudioError::Ok));
    }
    if (const auto value = headerValue(text, "icy-metaint"))
        (void)parseMetaInt(*value);
    (void)formatForContentType(text);
    const StreamFormat sniffed = sniffFormat(data, size);
    KESTO_FUZZ_CHECK(sniffed != StreamFormat::Sniff);
    return 0;
}
