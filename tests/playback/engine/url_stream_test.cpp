// Internet streams against small loopback servers: every way a connection
// can fail, an old SHOUTcast station, a dry ring, and freeing a stream
// while it connects or plays.

#include "playback/engine/audio_library.h"
#include "playback/engine/url_stream_test_util.h"
#include "support/audio_fixtures.h"
#include "support/loopback_server.h"

#include <chrono>
#include <future>
#include <gtest/gtest.h>
#include <thread>

namespace kesto::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

AudioLibrary::Options quickOptions(int timeoutMs = 2000) {
    AudioLibrary::Options o;
    o.output = "null";
    o.streamTimeoutMs = timeoutMs;
    return o;
}

LoopbackServer::Handler answerWith(std::string answer) {
    return [answer](int fd, const std::string&) {
        sendAll(fd, answer);
        return false;
    };
}

// What a connect to `url` fails with, and how long it took.
std::pair<int, Clock::duration> connectError(AudioLibrary& audio, const std::string& url) {
    const auto start = Clock::now();
    const AudioHandle h = audio.StreamCreateURL(url, 0, kStreamDecode | kStreamMeta);
    const int error = audio.ErrorGetCode();
    if (h != 0)
        audio.StreamFree(h);
    return {h == 0 ? error : 0, Clock::now() - start};
}

TEST(EngineUrlStream, EachFailureHasItsCode) {
    AudioLibrary audio(quickOptions());
    const std::string html = "<html><body>Welcome</body></html>";
    LoopbackServer notFound(answerWith(httpAnswer("404 Not Found", {"Content-Length: 0"})));
    LoopbackServer full(answerWith(httpAnswer("503 Service Unavailable", {})));
    LoopbackServer forbidden(answerWith(httpAnswer("403 Forbidden", {})));
    LoopbackServer icyFull(answerWith("ICY 400 Server Full\r\n\r\n"));
    LoopbackServer page(answerWith(httpAnswer("200 OK", {"Content-Type: text/html"}, html)));
    LoopbackServer bare(answerWith(httpAnswer("200 OK", {}, html)));
    LoopbackServer toFile(answerWith(httpAnswer("302 Found", {"Location: file:///etc/passwd"})));
    int refusedPort = 0;
    {
        LoopbackServer gone(answerWith(""));
        refusedPort = gone.port();
    }
    struct Case {
        std::string url;
        int error;
    };
    const Case cases[] = {
        {"http://no-such-station.invalid/live", 2},
        {"http://127.0.0.1:" + std::to_string(refusedPort) + "/", 2},
        {notFound.url("/live"), 2},
        {toFile.url("/live"), 2}, // a redirect may not leave http
        {"file:///etc/passwd", 2},
        {"ftp://127.0.0.1/", 2},
        {full.url("/"), 41},
        {forbidden.url("/"), 41},
        {icyFull.url("/"), 41},
        {page.url("/"), 41},
        {bare.url("/"), 41}, // no type, and the bytes are no audio
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.url);
        const auto [error, took] = connectError(audio, c.url);
        EXPECT_EQ(error, c.error);
        EXPECT_LT(took, 1500ms);
    }
}

TEST(EngineUrlStream, SilentServerTimesOut) {
    AudioLibrary audio(quickOptions(300));
    LoopbackServer silent([](int, const std::string&) { return true; });
    LoopbackServer headOnly([](int fd, const std::string&) {
        sendAll(fd, httpAnswer("200 OK", {"Content-Type: audio/mpeg"}));
        return true; // ...and never a byte of audio
    });
    for (const std::string& url : {silent.url("/"), headOnly.url("/")}) {
        SCOPED_TRACE(url);
        const auto [error, took] = connectError(audio, url);
        EXPECT_EQ(error, 40);
        EXPECT_GE(took, 250ms);
        EXPECT_LT(took, 1500ms);
    }
}

TEST(EngineUrlStream, IcyStationGivesAudioHeadersAndTitle) {
    const Samples tone = sineTone(44100, 2, 44100, 440);
    const std::string mp3 = mp3File(tone, 44100, 2);
    const std::string head = "ICY 200 OK\r\nicy-name:Jazz\r\nicy-br:128\r\n"
                             "content-type:audio/mpeg\r\nicy-metaint:8192\r\n\r\n";
    const std::string title = "StreamTitle='Jazz Hour';StreamUrl='';";
    LoopbackServer station(answerWith(head + withIcyMetadata(mp3, 8192, title)));
    AudioLibrary audio(quickOptions());
    const AudioHandle h = audio.StreamCreateURL(station.url("/"), 0, kStreamDecode | kStreamMeta);
    ASSERT_NE(h, 0u) << audio.ErrorGetCode();
    EXPECT_NE(station.lastRequest().find("Icy-MetaData: 1\r\n"), std::string::npos);
    const ChannelInfo info = *audio.ChannelGetInfo(h);
    EXPECT_EQ(info.rate, 44100u);
    EXPECT_EQ(info.channels, 2u);
    EXPECT_EQ(audio.StreamGetLength(h), -1);

    const Samples got = readLiveStream(audio, h, 5s);
    // All of it, with the encoder's delay and padding: a stream is not trimmed.
    EXPECT_GE(got.size() / 2, 44100u);
    EXPECT_LE(got.size() / 2, 44100u + 4 * 1152);
    EXPECT_GT(tonePower(got, 2, 0, 44100, 440), 100 * tonePower(got, 2, 0, 44100, 1000));
    EXPECT_EQ(audio.ChannelIsActive(h), ChannelState::Stopped);
    // Every audio byte arrived and was decoded; the metadata was not audio.
    EXPECT_EQ(audio.StreamGetFilePosition(h, FilePositionMode::Download),
              static_cast<std::int64_t>(mp3.size()));
    EXPECT_EQ(audio.StreamGetFilePosition(h, FilePositionMode::Decode),
              static_cast<std::int64_t>(mp3.size()));

    using namespace std::string_literals;
    EXPECT_EQ(audio.StreamGetTags(h, TagKind::Icy),
              "ICY 200 OK\0icy-name:Jazz\0icy-br:128\0content-type:audio/mpeg\0"
              "icy-metaint:8192\0\0"s);
    EXPECT_EQ(audio.StreamGetTags(h, TagKind::Meta), title);
    audio.StreamFree(h);
}

TEST(EngineUrlStream, UntypedOggFoundByItsBytesAndRedirectFollowed) {
    const std::string ogg = oggFile(sineTone(22050, 1, 22050, 660), 22050, 1);
    LoopbackServer station(answerWith(httpAnswer("200 OK", {}, ogg)));
    LoopbackServer portal(
        answerWith(httpAnswer("302 Found", {"Location: " + station.url("/stream")})));
    AudioLibrary audio(quickOptions());
    const AudioHandle h = audio.StreamCreateURL(portal.url("/listen"), 0, kStreamDecode);
    ASSERT_NE(h, 0u) << audio.ErrorGetCode();
    EXPECT_EQ(station.lastRequest().find("Icy-MetaData"), std::string::npos);
    EXPECT_EQ(audio.ChannelGetInfo(h)->rate, 22050u);
    EXPECT_EQ(audio.ChannelGetInfo(h)->channels, 1u);
    const Samples got = readLiveStream(audio, h, 5s);
    EXPECT_NEAR(static_cast<double>(got.size()), 22050.0, 500.0);
    EXPECT_GT(tonePower(got, 1, 0, 22050, 660), 100 * tonePower(got, 1, 0, 22050, 1500));
    // Only the final answer's head counts.
    const auto icy = audio.StreamGetTags(h, TagKind::Icy);
    ASSERT_TRUE(icy);
    EXPECT_EQ(icy->rfind("HTTP/1.0 200 OK", 0), 0u);
    EXPECT_FALSE(audio.StreamGetTags(h, TagKind::Meta));
    audio.StreamFree(h);
}

TEST(EngineUrlStream, DryRingStallsOutputWhichPlaysOnAndStopsAtTheEnd) {
    struct Station {
        const char* type;
        std::string bytes;
        std::uint32_t rate;
        std::uint32_t channels;
        int seconds;
    };
    // Rich enough that the Vorbis headers are a small part of the first half.
    const Station stations[] = {
        {"audio/mpeg", mp3File(sineTone(44100, 2, 44100, 440), 44100, 2), 44100, 2, 1},
        {"application/ogg", oggFile(whiteNoise(2, 44100, 5), 44100, 2, 1.0f), 44100, 2, 1}};
    for (const Station& s : stations) {
        SCOPED_TRACE(s.type);
        std::promise<void> release;
        std::shared_future<void> released = release.get_future().share();
        // Half the audio, a silence long enough to stall, the rest, and the end.
        const std::size_t half = s.bytes.size() / 2;
        LoopbackServer station([&](int fd, const std::string&) {
            sendAll(fd, httpAnswer("200 OK", {std::string("Content-Type: ") + s.type},
                                   s.bytes.substr(0, half)));
            released.wait_for(10s);
            sendAll(fd, s.bytes.substr(half));
            return false;
        });
        AudioLibrary audio(quickOptions());
        ASSERT_TRUE(audio.Init(1, 44100));
        const AudioHandle dec = audio.StreamCreateURL(station.url("/"), 0, kStreamDecode);
        ASSERT_NE(dec, 0u) << audio.ErrorGetCode();
        const AudioHandle out = playDecoder(audio, dec);
        ASSERT_NE(out, 0u);
        EXPECT_TRUE(waitForState(audio, out, ChannelState::Stalled, 5s));
        const std::int64_t stalledAt = audio.ChannelGetPosition(out);
        EXPECT_GT(stalledAt, 0);
        release.set_value();
        EXPECT_TRUE(waitForState(audio, out, ChannelState::Stopped, 5s));
        // Decoding went on after the stall: all of it was heard.
        const std::int64_t whole = std::int64_t{s.rate} * s.channels * 2 * s.seconds;
        EXPECT_LT(stalledAt, whole * 3 / 4);
        EXPECT_GE(audio.ChannelGetPosition(out), whole);
        audio.StreamFree(out);
        audio.StreamFree(dec);
    }
}

// A station that sends audio for as long as anyone listens.
LoopbackServer::Handler endlessStation(const std::string& mp3) {
    return [mp3](int fd, const std::string&) {
        sendAll(fd, httpAnswer("200 OK", {"Content-Type: audio/mpeg"}));
        while (sendAll(fd, mp3)) {
        }
        return false;
    };
}

TEST(EngineUrlStream, FreeEndsConnectingAndPlayingStreamsAtOnce) {
    // Free while another thread is still connecting: that call gives up.
    LoopbackServer silent([](int, const std::string&) { return true; });
    AudioLibrary audio(quickOptions(10000));
    auto connecting = std::async(std::launch::async, [&] {
        const auto start = Clock::now();
        const AudioHandle h = audio.StreamCreateURL(silent.url("/"), 0, kStreamDecode);
        return std::make_pair(h, Clock::now() - start);
    });
    while (silent.connections() == 0)
        std::this_thread::sleep_for(5ms);
    audio.Free();
    const auto [handle, took] = connecting.get();
    EXPECT_EQ(handle, 0u);
    EXPECT_LT(took, 2s);

    // StreamFree of a stream whose download waits for room in a full ring.
    const std::string mp3 = mp3File(sineTone(44100, 2, 44100, 440), 44100, 2);
    LoopbackServer station(endlessStation(mp3));
    AudioLibrary::Options small = quickOptions();
    small.streamRingBytes = 16 * 1024;
    AudioLibrary player(small);
    ASSERT_TRUE(player.Init(1, 44100));
    const AudioHandle dec = player.StreamCreateURL(station.url("/"), 0, kStreamDecode);
    ASSERT_NE(dec, 0u) << player.ErrorGetCode();
    const AudioHandle out = playDecoder(player, dec);
    EXPECT_TRUE(waitForState(player, out, ChannelState::Playing, 2s));
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(player.ChannelIsActive(out), ChannelState::Playing); // the ring keeps it fed
    const std::int64_t ahead = player.StreamGetFilePosition(dec, FilePositionMode::Download) -
                               player.StreamGetFilePosition(dec, FilePositionMode::Decode);
    EXPECT_LE(ahead, 16 * 1024); // memory stays bounded by the ring
    const auto start = Clock::now();
    EXPECT_TRUE(player.StreamFree(dec));
    EXPECT_LT(Clock::now() - start, 1s);
    EXPECT_TRUE(waitForState(player, out, ChannelState::Stopped, 3s));
    const auto freeStart = Clock::now();
    player.Free();
    EXPECT_LT(Clock::now() - freeStart, 1s);
}

} // namespace
} // namespace kesto::test
