// The update server's answer under any bytes: an address we would open is
// an http or https URL with nothing in it a desktop could split or run, and
// the request made from a host setting is a plain URL.

#include "prefs/update_reply.h"
#include "fuzz_entry.h"

#include <algorithm>

namespace {

bool plain(std::string_view text) {
    return std::none_of(text.begin(), text.end(),
                        [](char c) { return static_cast<unsigned char>(c) <= ' ' || c == 0x7F; });
}

bool startsWithIgnoringCase(std::string_view text, std::string_view prefix) {
    return text.size() >= prefix.size() &&
           std::equal(prefix.begin(), prefix.end(), text.begin(), [](char a, char b) {
               return a == (b >= 'A' && b <= 'Z' ? static_cast<char>(b - 'A' + 'a') : b);
           });
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace kesto;
    const std::string_view bytes = fuzz::bytesOf(data, size);
    const UpdateReply reply = parseUpdateReply(bytes);
    KESTO_FUZZ_CHECK(reply.lines >= 0);
    KESTO_FUZZ_CHECK(reply.address.find_first_of("\r\n") == std::string::npos);
    KESTO_FUZZ_CHECK(reply.version.find_first_of("\r\n") == std::string::npos);
    if (isOpenableAddress(reply.address)) {
        KESTO_FUZZ_CHECK(plain(reply.address));
        KESTO_FUZZ_CHECK(startsWithIgnoringCase(reply.address, "http://") ||
                         startsWithIgnoringCase(reply.address, "https://"));
    }
    const std::string url = updateCheckUrl(bytes.substr(0, 300));
    KESTO_FUZZ_CHECK(url.empty() || (plain(url) && url.starts_with("http://")));
    return 0;
}
