#include "prefs/update_reply.h"

#include "player/version.h"

#include <cstdlib>

namespace kesto {

UpdateReply parseUpdateReply(std::string_view bytes) {
    UpdateReply reply;
    std::size_t at = 0;
    while (at < bytes.size()) {
        std::size_t end = bytes.find_first_of("\r\n", at);
        if (end == std::string_view::npos)
            end = bytes.size();
        const std::string_view line = bytes.substr(at, end - at);
        at = end;
        if (at < bytes.size() && bytes[at] == '\r')
            ++at;
        if (at < bytes.size() && bytes[at] == '\n')
            ++at;
        ++reply.lines;
        if (reply.lines == 1) {
            reply.address = line;
        } else if (reply.lines == 2) {
            reply.version = line;
        } else {
            if (reply.lines > 3)
                reply.message += '\r';
            reply.message += line;
        }
    }
    return reply;
}

namespace {

bool startsWithNoCase(std::string_view text, std::string_view prefix) {
    if (text.size() < prefix.size())
        return false;
    for (std::size_t i = 0; i < prefix.size(); ++i) {
        char c = text[i];
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
        if (c != prefix[i])
            return false;
    }
    return true;
}

bool isHostChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '.' ||
           c == '-' || c == ':' || c == '[' || c == ']';
}

} // namespace

bool isOpenableAddress(std::string_view address) {
    std::size_t rest = 0;
    if (startsWithNoCase(address, "http://"))
        rest = 7;
    else if (startsWithNoCase(address, "https://"))
        rest = 8;
    else
        return false;
    for (const char c : address) {
        const auto u = static_cast<unsigned char>(c);
        if (u <= 0x20 || u == 0x7f)
            return false;
    }
    // A host must follow the "//": "http:///etc/passwd" names none.
    return rest < address.size() && address[rest] != '/' && address[rest] != '?' &&
           address[rest] != '#';
}

std::string updateCheckUrl(std::string_view host) {
    if (host.empty() || host.front() == ':' || host.front() == '.' || host.front() == '-')
        return {};
    for (const char c : host) {
        if (!isHostChar(c))
            return {};
    }
    return "http://" + std::string(host) +
           "/updatecheck.php?app=kesto&version=" + std::string(kVersion);
}

bool updateCheckDue(bool autoUpdate, Date today, Date lastCheck) {
    if (!autoUpdate)
        return false;
    const auto days = (today - lastCheck).count();
    return std::llabs(static_cast<long long>(days)) >= 7;
}

} // namespace kesto
