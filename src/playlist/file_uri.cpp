#include "playlist/file_uri.h"

#include "controls/fast_strings.h"
#include "playlist/entry.h"

namespace kesto {

namespace {

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

// "%HH" becomes its byte; a "%" not followed by two hex digits stays, as
// careless writers leave a bare "%" in a file name. A byte no entry can hold
// (a line break would split the playlist file, a "|" would start a title, a
// NUL would end the name) keeps its escape.
std::string percentDecoded(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        const int high = c == '%' && i + 2 < text.size() ? hexValue(text[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(text[i + 2]) : -1;
        const char byte = static_cast<char>(high * 16 + low);
        if (low < 0 || byte == '\0' || byte == '\r' || byte == '\n' || byte == '|') {
            out.push_back(c);
            continue;
        }
        out.push_back(byte);
        i += 2;
    }
    return out;
}

bool isDriveLetterPath(std::string_view path) {
    const auto letter = [](char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    };
    return path.size() >= 3 && path[0] == '/' && letter(path[1]) && path[2] == ':' &&
           (path.size() == 3 || path[3] == '/');
}

} // namespace

std::optional<std::string> localPathOfFileUri(std::string_view text) {
    constexpr std::string_view kScheme = "file:";
    if (text.size() <= kScheme.size() || !equalsIgnoreCase(text.substr(0, 5), kScheme))
        return std::nullopt;
    std::string_view rest = text.substr(kScheme.size());
    if (rest.starts_with("//")) {
        // An authority: empty or this machine's name for itself.
        rest.remove_prefix(2);
        const std::size_t slash = rest.find('/');
        if (slash == std::string_view::npos)
            return std::nullopt;
        const std::string_view host = rest.substr(0, slash);
        if (!host.empty() && !equalsIgnoreCase(host, "localhost"))
            return std::nullopt;
        rest.remove_prefix(slash);
    }
    if (!rest.starts_with('/') || rest.size() < 2)
        return std::nullopt;
    std::string path = percentDecoded(rest);
    if (isDriveLetterPath(path))
        path.erase(0, 1);
    return path;
}

std::string localEntryText(std::string_view entry) {
    const std::string_view path = EntryPath(entry);
    std::optional<std::string> local = localPathOfFileUri(path);
    if (!local)
        return std::string(entry);
    local->append(entry.substr(path.size()));
    return std::move(*local);
}

} // namespace kesto
