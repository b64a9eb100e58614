#pragma once

// Playlist files come from Linux and from Windows: UTF-8 or the old GBK code
// page, lines ended by CR LF or LF. Everything past this point is UTF-8.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace kesto {

// Strict UTF-8: no overlong forms, no surrogates, nothing above U+10FFFF.
bool isValidUtf8(std::string_view text);

// The first `maxChars` characters of `text`, cut between characters so that a
// multi-byte character is never split.
std::string_view utf8Prefix(std::string_view text, std::size_t maxChars);

// GBK to UTF-8 through iconv; one converter serves many lines.
class GbkDecoder {
public:
    GbkDecoder() = default;
    ~GbkDecoder();
    GbkDecoder(const GbkDecoder&) = delete;
    GbkDecoder& operator=(const GbkDecoder&) = delete;

    // Empty when the bytes are not GBK either.
    std::optional<std::string> toUtf8(std::string_view bytes);

private:
    void* cd_ = nullptr; // iconv_t, opened on first use
    bool failed_ = false;
};

// Reads a file's bytes line by line: LF ends a line and a CR before it is
// dropped; a line end at the very end starts no further line. A UTF-8 byte
// order mark at the start is dropped. Each line that is not valid UTF-8 is read
// as GBK; a line that is neither keeps its bytes, since on Linux those bytes
// may still name a real file.
//
// One line at a time, so that reading costs memory for what the caller keeps,
// not for every line of a file that may be mostly blank.
class LineReader {
public:
    explicit LineReader(std::string_view bytes);

    // The next line, valid until the following call; false after the last.
    bool next(std::string_view& line);

private:
    std::string_view rest_;
    bool done_ = false;
    GbkDecoder gbk_;
    std::string converted_;
};

// Every line at once, as LineReader reads them.
std::vector<std::string> decodeLines(std::string_view bytes);

} // namespace kesto
