// The settings file under any bytes: what is written back reads back to the
// same text, and a value set is the value read.

#include "player/ini_document.h"
#include "fuzz_entry.h"

#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using kesto::IniDocument;
    IniDocument doc = IniDocument::parse(kesto::fuzz::bytesOf(data, size));
    const std::string once = doc.serialize();
    KESTO_FUZZ_CHECK(IniDocument::parse(once).serialize() == once);

    // Every key's name finds a value; the first hundred show it without
    // making the harness quadratic.
    const std::vector<std::string> keys = doc.keys("General");
    for (std::size_t i = 0; i < keys.size() && i < 100; ++i)
        KESTO_FUZZ_CHECK(doc.value("General", keys[i]).has_value());
    doc.set("General", "Volume", "1000");
    KESTO_FUZZ_CHECK(doc.value("general", "volume") == std::string_view("1000"));
    doc.remove("General", "Volume");
    doc.eraseSection("Tweak");
    KESTO_FUZZ_CHECK(!doc.value("Tweak", "anything"));
    return 0;
}
