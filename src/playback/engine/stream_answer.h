#pragma once

// How a radio server's answer is read: its status line (HTTP or the older
// "ICY 200 OK"), its header lines, and what kind of audio it says (or turns
// out) to send. Pure functions over text and bytes.

#include "playback/engine/audio_types.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace kesto {

struct StatusLine {
    int code = 0;
    std::string reason;
};

// "HTTP/1.1 200 OK", "HTTP/2 200", "ICY 200 OK"; nullopt for anything else.
std::optional<StatusLine> parseStatusLine(std::string_view line);

// Ok for 2xx. A station that turns the listener away (403, 503, or a reason
// such as "Server Full") is FileFormat, as if it had sent nothing we could
// play; any other status is FileOpen.
AudioError answerError(const StatusLine& status);

// The value of the header line "Name: value" when its name is `name`
// (ASCII case ignored), spaces around the value removed.
std::optional<std::string_view> headerValue(std::string_view line, std::string_view name);

enum class StreamFormat { Mp3, Ogg, Sniff, Refused };

// By Content-Type: MPEG audio, Ogg, a missing or generic type that the first
// bytes must settle (Sniff), or something we cannot play.
StreamFormat formatForContentType(std::string_view contentType);

// By the first bytes: the Ogg capture pattern, or two MPEG audio frame
// headers that agree, one frame apart; Refused otherwise.
StreamFormat sniffFormat(const std::uint8_t* bytes, std::size_t size);

// The icy-metaint value, 0 when missing or unusable.
std::size_t parseMetaInt(std::string_view value);

} // namespace kesto
