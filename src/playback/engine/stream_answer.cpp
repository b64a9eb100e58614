#include "playback/engine/stream_answer.h"

#include "playback/engine/mpeg_probe.h"

#include <charconv>
#include <cstring>

namespace kesto {

namespace {

char lower(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

bool containsIgnoringCase(std::string_view text, std::string_view word) {
    for (std::size_t i = 0; i + word.size() <= text.size(); ++i) {
        if (equalsIgnoringCase(text.substr(i, word.size()), word))
            return true;
    }
    return false;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t'))
        s.remove_prefix(1);
    while (!s.empty() &&
           (s.back() == ' ' || s.back() == '\t' || s.back() == '\r' || s.back() == '\n'))
        s.remove_suffix(1);
    return s;
}

} // namespace

std::optional<StatusLine> parseStatusLine(std::string_view line) {
    line = trim(line);
    std::string_view rest;
    if (line.size() > 5 && equalsIgnoringCase(line.substr(0, 5), "HTTP/")) {
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos)
            return std::nullopt;
        rest = line.substr(space + 1);
    } else if (line.size() > 4 && equalsIgnoringCase(line.substr(0, 4), "ICY ")) {
        rest = line.substr(4);
    } else {
        return std::nullopt;
    }
    rest = trim(rest);
    if (rest.size() < 3)
        return std::nullopt;
    int code = 0;
    const auto [end, ec] = std::from_chars(rest.data(), rest.data() + 3, code);
    if (ec != std::errc{} || end != rest.data() + 3 || code < 100)
        return std::nullopt;
    if (rest.size() > 3 && rest[3] != ' ')
        return std::nullopt;
    return StatusLine{code, std::string(trim(rest.substr(3)))};
}

AudioError answerError(const StatusLine& status) {
    if (status.code >= 200 && status.code < 300)
        return AudioError::Ok;
    if (status.code == 403 || status.code == 503 || containsIgnoringCase(status.reason, "full"))
        return AudioError::FileFormat;
    return AudioError::FileOpen;
}

std::optional<std::string_view> headerValue(std::string_view line, std::string_view name) {
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos || !equalsIgnoringCase(trim(line.substr(0, colon)), name))
        return std::nullopt;
    return trim(line.substr(colon + 1));
}

StreamFormat formatForContentType(std::string_view contentType) {
    std::string_view type = trim(contentType.substr(0, contentType.find(';')));
    if (type.empty() || equalsIgnoringCase(type, "application/octet-stream") ||
        equalsIgnoringCase(type, "audio/x-unknown") || equalsIgnoringCase(type, "unknown/unknown"))
        return StreamFormat::Sniff;
    for (std::string_view mp3 :
         {"audio/mpeg", "audio/mp3", "audio/x-mpeg", "audio/mpeg3", "audio/x-mp3", "audio/mpg"}) {
        if (equalsIgnoringCase(type, mp3))
            return StreamFormat::Mp3;
    }
    for (std::string_view ogg :
         {"application/ogg", "audio/ogg", "audio/x-ogg", "audio/vorbis", "application/x-ogg"}) {
        if (equalsIgnoringCase(type, ogg))
            return StreamFormat::Ogg;
    }
    return StreamFormat::Refused;
}

StreamFormat sniffFormat(const std::uint8_t* bytes, std::size_t size) {
    if (size >= 4 && std::memcmp(bytes, "OggS", 4) == 0)
        return StreamFormat::Ogg;
    // A stream can start anywhere in a frame: look for a header that the
    // next frame confirms.
    for (std::size_t i = 0; i + 4 <= size; ++i) {
        if (bytes[i] != 0xFF || (bytes[i + 1] & 0xE0) != 0xE0)
            continue;
        const auto first = parseMpegHeader(bytes + i);
        if (!first || first->bytes < 4)
            continue;
        const std::size_t next = i + first->bytes;
        if (next + 4 > size)
            break;
        const auto second = parseMpegHeader(bytes + next);
        if (second && second->version == first->version && second->layer == first->layer &&
            second->rate == first->rate)
            return StreamFormat::Mp3;
    }
    return StreamFormat::Refused;
}

std::size_t parseMetaInt(std::string_view value) {
    value = trim(value);
    std::size_t n = 0;
    const auto [end, ec] = std::from_chars(value.data(), value.data() + value.size(), n);
    if (ec != std::errc{} || end != value.data() + value.size())
        return 0;
    // Beyond this no real station goes; a larger value is a broken header.
    return n <= 16 * 1024 * 1024 ? n : 0;
}

} // namespace kesto
