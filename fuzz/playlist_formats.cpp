// Every playlist format reads any bytes, and whatever it takes out is an
// entry the list can hold: never empty, never with a line break inside.

#include "fuzz_entry.h"
#include "playlist/playlist_parsers.h"

#include <string>
#include <vector>

#ifndef KESTO_PLAYLIST_FORMAT
#error "KESTO_PLAYLIST_FORMAT names the format under test"
#endif

namespace {

std::vector<std::string> parse(std::string_view bytes) {
    using namespace kesto;
    constexpr std::string_view folder = "/music/";
    constexpr std::string_view format = KESTO_PLAYLIST_FORMAT;
    if (format == "m3u")
        return parseM3u(bytes, folder);
    if (format == "pls")
        return parsePls(bytes, folder);
    if (format == "asx")
        return parseAsx(bytes);
    if (format == "b4s")
        return parseB4s(bytes);
    return parseTxt(bytes, folder);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    for (const std::string& entry : parse(kesto::fuzz::bytesOf(data, size))) {
        KESTO_FUZZ_CHECK(!entry.empty());
        KESTO_FUZZ_CHECK(entry.find('\n') == std::string::npos);
    }
    return 0;
}
