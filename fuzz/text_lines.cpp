// The line reader under any bytes: no line holds a line feed, and a line it
// converted from GBK is valid UTF-8 (one it could not convert keeps its bytes).

#include "playlist/text_lines.h"
#include "fuzz_entry.h"

#include <algorithm>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = kesto::fuzz::bytesOf(data, size);
    kesto::LineReader reader(bytes);
    std::string_view line;
    std::size_t lines = 0;
    while (reader.next(line)) {
        ++lines;
        KESTO_FUZZ_CHECK(line.find('\n') == std::string_view::npos);
        const bool inInput = line.data() >= bytes.data() && line.data() <= bytes.data() + size;
        KESTO_FUZZ_CHECK(inInput || kesto::isValidUtf8(line));
    }
    const auto feeds = static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n'));
    KESTO_FUZZ_CHECK(lines <= feeds + 1);
    return 0;
}
