// Internet streams from a real icecast2 server on 127.0.0.1 (test.sh starts
// it, scripts/services.sh says how). Without KESTO_ICECAST_PORT these skip.

#include "platform/download_to_file.h"
#include "playback/engine/audio_library.h"
#include "playback/engine/url_stream_test_util.h"
#include "support/audio_fixtures.h"
#include "support/loopback_server.h"
#include "support/temp_dir.h"

#include <arpa/inet.h>
#include <atomic>
#include <chrono>
#include <cstdlib>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace kesto::test {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

std::string env(const char* name) {
    const char* v = std::getenv(name);
    return v ? v : "";
}

#define KESTO_NEED_ICECAST()                                                                       \
    if (env("KESTO_ICECAST_PORT").empty())                                                         \
    GTEST_SKIP() << "KESTO_ICECAST_PORT is not set (test.sh starts icecast2)"

std::string stationUrl(const std::string& path) {
    return "http://127.0.0.1:" + env("KESTO_ICECAST_PORT") + path;
}

// "44100:2" -> {44100, 2}
std::pair<std::uint32_t, std::uint32_t> formatOf(const std::string& text) {
    const auto colon = text.find(':');
    return {static_cast<std::uint32_t>(std::stoul(text.substr(0, colon))),
            static_cast<std::uint32_t>(std::stoul(text.substr(colon + 1)))};
}

AudioLibrary::Options nullOutput() {
    AudioLibrary::Options o;
    o.output = "null";
    return o;
}

TEST(EngineIcecast, BothStationsDecodeInTheirSourceFormat) {
    KESTO_NEED_ICECAST();
    struct Station {
        std::string mount;
        std::string format;
        double hz;
    };
    const Station stations[] = {{"/live", env("KESTO_ICECAST_MP3"), 440},
                                {"/live.ogg", env("KESTO_ICECAST_OGG"), 660}};
    AudioLibrary audio(nullOutput());
    for (const Station& s : stations) {
        SCOPED_TRACE(s.mount);
        const auto [rate, channels] = formatOf(s.format);
        const AudioHandle h =
            audio.StreamCreateURL(stationUrl(s.mount), 0, kStreamDecode | kStreamMeta);
        ASSERT_NE(h, 0u) << audio.ErrorGetCode();
        const ChannelInfo info = *audio.ChannelGetInfo(h);
        EXPECT_EQ(info.rate, rate);
        EXPECT_EQ(info.channels, channels);
        const Samples got = readLiveStream(audio, h, 4s, rate * channels / 2);
        EXPECT_GE(got.size(), rate * channels / 2);
        EXPECT_GT(tonePower(got, channels, 0, rate, s.hz),
                  100 * tonePower(got, channels, 0, rate, s.hz * 2.3));
        EXPECT_GT(audio.StreamGetFilePosition(h, FilePositionMode::Download), 0);
        EXPECT_TRUE(audio.StreamFree(h));
    }
}

TEST(EngineIcecast, HeadersAndAnAdminTitleUpdate) {
    KESTO_NEED_ICECAST();
    AudioLibrary audio(nullOutput());
    const AudioHandle h =
        audio.StreamCreateURL(stationUrl("/live"), 0, kStreamDecode | kStreamMeta);
    ASSERT_NE(h, 0u) << audio.ErrorGetCode();
    const std::string icy = audio.StreamGetTags(h, TagKind::Icy).value_or("");
    EXPECT_NE(icy.find(std::string("icy-name:Kesto Test Radio") + '\0'), std::string::npos);
    EXPECT_NE(icy.find(std::string("icy-br:128") + '\0'), std::string::npos);
    EXPECT_NE(icy.find(std::string("icy-metaint:8192") + '\0'), std::string::npos);
    EXPECT_EQ(icy.substr(icy.size() - 2), std::string(2, '\0'));

    // A title no earlier run can have left behind.
    const std::string song = "Kesto Title " + std::to_string(::getpid()) + "-" +
                             std::to_string(Clock::now().time_since_epoch().count() % 100000);
    std::string query = song;
    for (std::size_t i = 0; (i = query.find(' ', i)) != std::string::npos;)
        query.replace(i, 1, "%20");
    const std::string admin = env("KESTO_ICECAST_ADMIN");
    TempDir dir;
    ASSERT_GT(DownloadToFile("http://" + admin + "@127.0.0.1:" + env("KESTO_ICECAST_PORT") +
                                 "/admin/metadata?mount=/live&mode=updinfo&song=" + query,
                             dir.file("reply")),
              0);
    const std::string want = "StreamTitle='" + song + "';";
    const auto until = Clock::now() + 5s;
    std::string seen;
    while (Clock::now() < until && seen != want) {
        readLiveStream(audio, h, 50ms); // the titles come with the audio
        seen = audio.StreamGetTags(h, TagKind::Meta).value_or("");
    }
    EXPECT_EQ(seen, want);
    audio.StreamFree(h);
}

std::string base64(const std::string& in) {
    static const char* abc = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < in.size(); i += 3) {
        std::uint32_t v = static_cast<std::uint8_t>(in[i]) << 16;
        if (i + 1 < in.size())
            v |= static_cast<std::uint8_t>(in[i + 1]) << 8;
        if (i + 2 < in.size())
            v |= static_cast<std::uint8_t>(in[i + 2]);
        out += abc[(v >> 18) & 63];
        out += abc[(v >> 12) & 63];
        out += i + 1 < in.size() ? abc[(v >> 6) & 63] : '=';
        out += i + 2 < in.size() ? abc[v & 63] : '=';
    }
    return out;
}

// A source of our own on a mount of our own, sending MP3 at its bit rate
// until paused, and gone when closed: the shared stations stay untouched.
class PrivateSource {
public:
    explicit PrivateSource(std::string mount) : mount_(std::move(mount)) {
        mp3_ = mp3File(sineTone(44100, 2, 3 * 44100, 440), 44100, 2, 128);
        fd_ = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in addr{};
        addr.sin_family = AF_INET;
        addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        addr.sin_port = htons(static_cast<std::uint16_t>(std::stoi(env("KESTO_ICECAST_PORT"))));
        if (::connect(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0)
            return;
        const std::string put = "PUT " + mount_ + " HTTP/1.1\r\nHost: 127.0.0.1\r\n" +
                                "Authorization: Basic " +
                                base64("source:" + env("KESTO_ICECAST_SOURCE_PASSWORD")) +
                                "\r\nContent-Type: audio/mpeg\r\nIce-Public: 0\r\n"
                                "Ice-Name: Kesto Private\r\n\r\n";
        connected_ = sendAll(fd_, put);
        thread_ = std::thread([this] { pump(); });
    }
    ~PrivateSource() {
        close();
        if (thread_.joinable())
            thread_.join();
    }
    bool connected() const { return connected_; }
    void pause() { paused_ = true; }
    // The source is lost: icecast ends the mount and its listeners.
    void close() {
        if (closed_.exchange(true))
            return;
        ::shutdown(fd_, SHUT_RDWR);
    }

private:
    void pump() {
        // 128 kbit/s in 50 ms steps, with half a second ahead to start with.
        constexpr std::size_t kStep = 800;
        std::size_t at = 0;
        auto next = Clock::now();
        for (int step = 0; !closed_; ++step) {
            if (!paused_) {
                const std::size_t n = step == 0 ? 10 * kStep : kStep;
                for (std::size_t k = 0; k < n; k += kStep) {
                    if (!sendAll(fd_, mp3_.substr(at, kStep)))
                        return;
                    at = (at + kStep) % (mp3_.size() - kStep);
                }
            }
            next += 50ms;
            std::this_thread::sleep_until(next);
        }
    }

    std::string mount_;
    std::string mp3_;
    int fd_ = -1;
    bool connected_ = false;
    std::atomic<bool> paused_{false};
    std::atomic<bool> closed_{false};
    std::thread thread_;
};

TEST(EngineIcecast, LostSourceStallsThenStopsTheOutput) {
    KESTO_NEED_ICECAST();
    const std::string mount = "/kesto-private-" + std::to_string(::getpid()) + ".mp3";
    PrivateSource source(mount);
    ASSERT_TRUE(source.connected());
    AudioLibrary audio(nullOutput());
    ASSERT_TRUE(audio.Init(1, 44100));
    AudioHandle dec = 0;
    for (const auto until = Clock::now() + 3s; dec == 0 && Clock::now() < until;) {
        dec = audio.StreamCreateURL(stationUrl(mount), 0, kStreamDecode | kStreamMeta);
        if (dec == 0)
            std::this_thread::sleep_for(50ms); // the mount is not up yet
    }
    ASSERT_NE(dec, 0u) << audio.ErrorGetCode();
    const AudioHandle out = playDecoder(audio, dec);
    ASSERT_NE(out, 0u);
    EXPECT_TRUE(waitForState(audio, out, ChannelState::Playing, 2s));
    source.pause();
    EXPECT_TRUE(waitForState(audio, out, ChannelState::Stalled, 8s));
    source.close();
    EXPECT_TRUE(waitForState(audio, out, ChannelState::Stopped, 5s));
    EXPECT_TRUE(audio.StreamFree(out));
    EXPECT_TRUE(audio.StreamFree(dec));
}

TEST(EngineIcecast, RedirectToTheStationPlays) {
    KESTO_NEED_ICECAST();
    LoopbackServer portal([](int fd, const std::string&) {
        sendAll(fd, httpAnswer("302 Found", {"Location: " + stationUrl("/live")}));
        return false;
    });
    AudioLibrary audio(nullOutput());
    const AudioHandle h = audio.StreamCreateURL(portal.url("/radio"), 0, kStreamDecode);
    ASSERT_NE(h, 0u) << audio.ErrorGetCode();
    EXPECT_EQ(audio.ChannelGetInfo(h)->rate, formatOf(env("KESTO_ICECAST_MP3")).first);
    EXPECT_GT(readLiveStream(audio, h, 3s, 44100).size(), 20000u);
    audio.StreamFree(h);
}

} // namespace
} // namespace kesto::test
