// The pure parts of internet streams: the metadata splitter and the reading
// of a server's answer.

#include "playback/engine/icy_meta_splitter.h"
#include "playback/engine/stream_answer.h"
#include "support/audio_fixtures.h"
#include "support/loopback_server.h"

#include <gtest/gtest.h>
#include <random>
#include <string>
#include <vector>

namespace kesto::test {
namespace {

struct Split {
    std::string audio;
    std::vector<std::string> meta;
    bool operator==(const Split&) const = default;
};

// Feeds `stream` cut into pieces of the sizes `cut` gives, in turn.
template <typename Cut>
Split splitInPieces(const std::string& stream, std::size_t metaInt, Cut cut) {
    IcyMetaSplitter splitter(metaInt);
    Split out;
    const auto* p = reinterpret_cast<const std::uint8_t*>(stream.data());
    std::size_t at = 0;
    while (at < stream.size()) {
        const std::size_t n = std::min(stream.size() - at, std::max<std::size_t>(cut(), 1));
        splitter.feed(
            p + at, n,
            [&](const std::uint8_t* a, std::size_t k) {
                out.audio.append(reinterpret_cast<const char*>(a), k);
            },
            [&](std::string_view text) { out.meta.emplace_back(text); });
        at += n;
    }
    return out;
}

std::string randomBytes(std::mt19937& rng, std::size_t n) {
    std::string s(n, '\0');
    for (auto& c : s)
        c = static_cast<char>(rng());
    return s;
}

TEST(EngineIcySplitter, AudioAndTitlesSurviveAnyCut) {
    std::mt19937 rng(17);
    const std::string audio = randomBytes(rng, 5000);
    const std::string title = "StreamTitle='Artist - Song';";
    for (std::size_t metaInt : {1u, 7u, 16u, 1000u, 8192u}) {
        const std::string stream = withIcyMetadata(audio, metaInt, title);
        const Split expected{audio, metaInt <= audio.size() ? std::vector<std::string>{title}
                                                            : std::vector<std::string>{}};
        for (std::size_t piece : {1u, 2u, 3u, 16u, 17u, 4096u, 100000u}) {
            SCOPED_TRACE("metaint " + std::to_string(metaInt) + ", pieces of " +
                         std::to_string(piece));
            EXPECT_EQ(splitInPieces(stream, metaInt, [&] { return piece; }), expected);
        }
    }
    // Without a metadata interval every byte is audio, length bytes included.
    const std::string stream = withIcyMetadata(audio, 100, title);
    EXPECT_EQ(splitInPieces(stream, 0, [] { return 333; }), (Split{stream, {}}));
}

TEST(EngineIcySplitter, CutMidBlockGivesNoHalfTitle) {
    const std::string audio(64, 'a');
    const std::string stream = withIcyMetadata(audio, 32, "StreamTitle='Long enough title';");
    // After the first 32 audio bytes and the length byte: part of the text only.
    const Split cut = splitInPieces(stream.substr(0, 32 + 1 + 10), 32, [] { return 5; });
    EXPECT_EQ(cut.audio, std::string(32, 'a'));
    EXPECT_TRUE(cut.meta.empty());
}

TEST(EngineIcySplitter, RandomAndTruncatedInputNeverOverruns) {
    std::mt19937 rng(4711);
    for (int round = 0; round < 400; ++round) {
        const std::size_t metaInt = round % 5 == 0 ? 0 : 1 + rng() % 300;
        std::string stream = randomBytes(rng, rng() % 20000);
        if (round % 3 == 0) // long runs of 0xFF make the largest blocks
            for (std::size_t i = metaInt; i < stream.size(); i += metaInt + 1)
                stream[i] = static_cast<char>(0xFF);
        stream.resize(rng() % (stream.size() + 1));
        const Split whole = splitInPieces(stream, metaInt, [&] { return stream.size(); });
        const Split pieces = splitInPieces(stream, metaInt, [&] { return rng() % 700; });
        ASSERT_EQ(whole, pieces) << "round " << round;
        std::size_t metaBytes = 0;
        for (const auto& m : whole.meta) {
            ASSERT_LE(m.size(), IcyMetaSplitter::kMaxMetaBytes);
            metaBytes += m.size();
        }
        ASSERT_LE(whole.audio.size() + metaBytes, stream.size());
        // The first interval is audio whatever the bytes are.
        ASSERT_EQ(whole.audio.substr(0, metaInt ? metaInt : whole.audio.size()),
                  stream.substr(0, metaInt ? std::min(metaInt, stream.size()) : stream.size()));
    }
}

TEST(EngineStreamAnswer, StatusLinesAndWhatTheyMean) {
    struct Case {
        const char* line;
        int code; // 0 = not a status line
        AudioError error;
    };
    const Case cases[] = {
        {"HTTP/1.1 200 OK\r\n", 200, AudioError::Ok},
        {"HTTP/2 200", 200, AudioError::Ok},
        {"ICY 200 OK", 200, AudioError::Ok},
        {"icy 200 OK", 200, AudioError::Ok},
        {"HTTP/1.0 404 Not Found", 404, AudioError::FileOpen},
        {"HTTP/1.1 500 Internal Server Error", 500, AudioError::FileOpen},
        {"HTTP/1.0 403 Forbidden", 403, AudioError::FileFormat},
        {"HTTP/1.0 503 Service Unavailable", 503, AudioError::FileFormat},
        {"ICY 400 Server Full", 400, AudioError::FileFormat},
        {"ICY 401 Service Unavailable", 401, AudioError::FileOpen},
        {"HTTP/1.1 2000 OK", 0, AudioError::Ok},
        {"HTTP/1.1 20", 0, AudioError::Ok},
        {"HTTP/1.1", 0, AudioError::Ok},
        {"ICY abc", 0, AudioError::Ok},
        {"icy-name:Jazz", 0, AudioError::Ok},
        {"", 0, AudioError::Ok},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        const auto status = parseStatusLine(c.line);
        ASSERT_EQ(status.has_value(), c.code != 0);
        if (status) {
            EXPECT_EQ(status->code, c.code);
            EXPECT_EQ(answerError(*status), c.error);
        }
    }
}

TEST(EngineStreamAnswer, HeadersAndContentTypes) {
    EXPECT_EQ(headerValue("Content-Type: audio/mpeg\r\n", "content-type"), "audio/mpeg");
    EXPECT_EQ(headerValue("icy-br:128", "ICY-BR"), "128");
    EXPECT_EQ(headerValue("icy-name:", "icy-name"), "");
    EXPECT_FALSE(headerValue("icy-brx:128", "icy-br"));
    EXPECT_FALSE(headerValue("no colon here", "no colon here"));

    EXPECT_EQ(formatForContentType("audio/mpeg"), StreamFormat::Mp3);
    EXPECT_EQ(formatForContentType("Audio/MPEG; charset=x"), StreamFormat::Mp3);
    EXPECT_EQ(formatForContentType("application/ogg"), StreamFormat::Ogg);
    EXPECT_EQ(formatForContentType("audio/ogg"), StreamFormat::Ogg);
    EXPECT_EQ(formatForContentType(""), StreamFormat::Sniff);
    EXPECT_EQ(formatForContentType("application/octet-stream"), StreamFormat::Sniff);
    EXPECT_EQ(formatForContentType("text/html; charset=utf-8"), StreamFormat::Refused);
    EXPECT_EQ(formatForContentType("audio/aacp"), StreamFormat::Refused);

    EXPECT_EQ(parseMetaInt("8192"), 8192u);
    EXPECT_EQ(parseMetaInt(" 16000 "), 16000u);
    EXPECT_EQ(parseMetaInt("-1"), 0u);
    EXPECT_EQ(parseMetaInt("12x"), 0u);
    EXPECT_EQ(parseMetaInt("99999999999999999999999"), 0u);
}

TEST(EngineStreamAnswer, SniffsOggAndMpegFromAnyStart) {
    const std::string mp3 = mp3File(sineTone(44100, 2, 44100, 440), 44100, 2);
    const std::string ogg = oggFile(sineTone(22050, 1, 22050, 440), 22050, 1);
    auto sniff = [](const std::string& s) {
        return sniffFormat(reinterpret_cast<const std::uint8_t*>(s.data()),
                           std::min<std::size_t>(s.size(), 8192));
    };
    EXPECT_EQ(sniff(ogg), StreamFormat::Ogg);
    EXPECT_EQ(sniff(mp3), StreamFormat::Mp3);
    EXPECT_EQ(sniff(mp3.substr(1234)), StreamFormat::Mp3); // joined mid-frame
    EXPECT_EQ(sniff("<html><body>Not here</body></html>"), StreamFormat::Refused);
    std::mt19937 rng(3);
    EXPECT_EQ(sniff(randomBytes(rng, 8192)), StreamFormat::Refused);
    EXPECT_EQ(sniff(std::string(8192, '\xFF')), StreamFormat::Refused);
    EXPECT_EQ(sniff(""), StreamFormat::Refused);
}

} // namespace
} // namespace kesto::test
