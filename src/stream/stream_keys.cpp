#include "stream/stream_keys.h"

#include "playlist/text_lines.h"

#include <algorithm>

namespace kesto {

namespace {

char upperAscii(char c) {
    return c >= 'a' && c <= 'z' ? static_cast<char>(c - 'a' + 'A') : c;
}

bool blank(std::string_view text) {
    return text.find_first_not_of(' ') == std::string_view::npos;
}

// Station texts arrive as UTF-8 or, from older servers, in GBK; a text that
// is neither keeps its bytes (the window shows what it can of them).
std::string utf8Text(std::string text) {
    if (isValidUtf8(text))
        return text;
    GbkDecoder gbk;
    if (auto converted = gbk.toUtf8(text))
        return *converted;
    return text;
}

} // namespace

std::string FlattenTags(const std::optional<std::string>& block) {
    if (!block)
        return {};
    const std::string& bytes = *block;
    std::string flat;
    flat.reserve(bytes.size() + 1);
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\0') {
            flat += bytes[i];
            continue;
        }
        flat += ';';
        if (i + 1 < bytes.size() && bytes[i + 1] == '\0')
            break;
    }
    return flat;
}

void ParseKeys(std::string text, TKeys& keys, std::string_view separator, bool clear,
               std::string_view terminator) {
    if (separator.empty() || terminator.empty())
        return;
    // The first separator at or after a place, searched again only once the
    // parse has passed it: a header of thousands of items without one (a
    // stranger's server can send that) costs one scan, not one per item.
    std::size_t sep = text.find(separator);
    const auto separatorFrom = [&](std::size_t from) {
        if (sep != std::string::npos && sep < from)
            sep = text.find(separator, from);
        return sep;
    };
    // Items before the first pair that have no separator, such as a status line.
    std::size_t at = 0;
    for (;;) {
        const std::size_t term = text.find(terminator, at);
        if (term == std::string::npos || term >= separatorFrom(at))
            break;
        at = term + terminator.size();
    }
    if (clear)
        keys.clear();
    // Every pass consumes at least the terminator, so the loop ends.
    while (text.find(terminator, at) != std::string::npos) {
        std::string name;
        if (const std::size_t s = separatorFrom(at); s != std::string::npos) {
            name = text.substr(at, s - at);
            at = s + separator.size();
        }
        const std::size_t term = text.find(terminator, at);
        if (term == std::string::npos)
            break; // the separator took the last terminator with the name
        std::string value = text.substr(at, term - at);
        at = term + terminator.size();
        if (value.size() > 1 && value.front() == '\'' && value.back() == '\'')
            value = value.substr(1, value.size() - 2);
        if (!blank(name) && !blank(value))
            keys.push_back({std::move(name), std::move(value)});
    }
}

const TKey* FindKey(std::string_view name, const TKeys& keys) {
    const auto same = [name](const TKey& key) {
        return key.name.size() == name.size() &&
               std::equal(name.begin(), name.end(), key.name.begin(),
                          [](char a, char b) { return upperAscii(a) == upperAscii(b); });
    };
    const auto it = std::find_if(keys.begin(), keys.end(), same);
    return it == keys.end() ? nullptr : &*it;
}

TKeys streamKeys(const std::optional<std::string>& icyBlock,
                 const std::optional<std::string>& metadata) {
    TKeys keys;
    ParseKeys(utf8Text(FlattenTags(icyBlock)), keys, ":", true, ";");
    if (metadata)
        ParseKeys(utf8Text(*metadata) + ";", keys, "=", false, ";");
    return keys;
}

std::string cleanTitle(std::string_view title) {
    std::string clean;
    clean.reserve(title.size());
    for (std::size_t i = 0; i < title.size();) {
        if (title.substr(i, 3) == "%20") {
            clean += ' ';
            i += 3;
        } else if (title.substr(i, 3) == "[1]") {
            i += 3;
        } else {
            clean += title[i] == '_' ? ' ' : title[i];
            ++i;
        }
    }
    return clean;
}

int bufferingPercent(std::int64_t downloaded, std::int64_t decoded) {
    const std::int64_t ahead = (downloaded - decoded) / 1000;
    if (ahead < 5)
        return 0;
    return static_cast<int>(std::min<std::int64_t>(ahead, 100));
}

} // namespace kesto
