#include "playlist/text_lines.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>

namespace kesto {

bool isValidUtf8(std::string_view text) {
    const auto* p = reinterpret_cast<const unsigned char*>(text.data());
    const auto* end = p + text.size();
    while (p < end) {
        // Playlist lines are mostly ASCII: skip eight plain bytes at a time.
        if (end - p >= 8) {
            std::uint64_t word;
            std::memcpy(&word, p, 8);
            if ((word & 0x8080808080808080ULL) == 0) {
                p += 8;
                continue;
            }
        }
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more;
        std::uint32_t cp;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
            cp = c & 0x1Fu;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            cp = c & 0x0Fu;
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            cp = c & 0x07u;
        } else {
            return false;
        }
        if (end - p <= more)
            return false;
        for (int i = 1; i <= more; ++i) {
            const unsigned char b = p[i];
            if ((b & 0xC0u) != 0x80u)
                return false;
            cp = (cp << 6) | (b & 0x3Fu);
        }
        if (more == 2 && (cp < 0x800 || (cp >= 0xD800 && cp <= 0xDFFF)))
            return false;
        if (more == 3 && (cp < 0x10000 || cp > 0x10FFFF))
            return false;
        p += more + 1;
    }
    return true;
}

std::string_view utf8Prefix(std::string_view text, std::size_t maxChars) {
    std::size_t chars = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if ((c & 0xC0u) != 0x80u) { // a character starts here
            if (chars == maxChars)
                return text.substr(0, i);
            ++chars;
        }
    }
    return text;
}

GbkDecoder::~GbkDecoder() {
    if (cd_)
        ::iconv_close(static_cast<iconv_t>(cd_));
}

std::optional<std::string> GbkDecoder::toUtf8(std::string_view bytes) {
    if (!cd_) {
        if (failed_)
            return std::nullopt;
        const iconv_t cd = ::iconv_open("UTF-8", "GBK");
        if (cd == reinterpret_cast<iconv_t>(-1)) {
            failed_ = true;
            return std::nullopt;
        }
        cd_ = cd;
    }
    const auto cd = static_cast<iconv_t>(cd_);
    ::iconv(cd, nullptr, nullptr, nullptr, nullptr); // a fresh state for every line
    // Every GBK byte can become three UTF-8 bytes: 0x80 alone is the euro sign.
    std::string out(bytes.size() * 3 + 4, '\0');
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    if (::iconv(cd, &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) ||
        ::iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
    out.resize(out.size() - outLeft);
    return out;
}

LineReader::LineReader(std::string_view bytes) : rest_(bytes) {
    if (rest_.starts_with("\xEF\xBB\xBF"))
        rest_.remove_prefix(3);
    done_ = rest_.empty();
}

bool LineReader::next(std::string_view& line) {
    if (done_)
        return false;
    const std::size_t lf = rest_.find('\n');
    line = rest_.substr(0, lf);
    if (lf == std::string_view::npos || lf + 1 == rest_.size())
        done_ = true;
    else
        rest_.remove_prefix(lf + 1);
    if (!line.empty() && line.back() == '\r')
        line.remove_suffix(1);
    if (!isValidUtf8(line)) {
        if (auto converted = gbk_.toUtf8(line)) {
            converted_ = std::move(*converted);
            line = converted_;
        }
    }
    return true;
}

std::vector<std::string> decodeLines(std::string_view bytes) {
    std::vector<std::string> lines;
    lines.reserve(1 + static_cast<std::size_t>(std::count(bytes.begin(), bytes.end(), '\n')));
    LineReader reader(bytes);
    std::string_view line;
    while (reader.next(line))
        lines.emplace_back(line);
    return lines;
}

} // namespace kesto
