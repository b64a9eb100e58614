// A colour scheme file under any bytes: every value of its style section
// goes through the readers the scheme loader uses.

#include "fuzz_entry.h"
#include "player/ini_document.h"
#include "player/settings.h"
#include "prefs/colour_text.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const auto doc = kesto::IniDocument::parse(kesto::fuzz::bytesOf(data, size));
    // The loader looks up a score of names; the first hundred keys are more
    // than that, and looking up every key would make the harness, not the
    // reader, quadratic.
    const std::vector<std::string> keys = doc.keys("Style");
    for (std::size_t i = 0; i < keys.size() && i < 100; ++i) {
        const auto value = doc.value("Style", keys[i]);
        if (!value)
            continue;
        if (const auto rgb = kesto::parseColourText(*value)) {
            KESTO_FUZZ_CHECK(*rgb <= 0xFFFFFFu);
            KESTO_FUZZ_CHECK(kesto::parseColourText(kesto::colourText(*rgb)) == rgb);
        }
        (void)kesto::parseIniInt(*value);
    }
    return 0;
}
