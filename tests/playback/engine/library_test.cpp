#include "playback/engine/engine_test_util.h"
#include "playback/engine/output_selection.h"
#include "support/temp_dir.h"

#include <cstring>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace kesto::test {
namespace {

AudioLibrary::Options nullOutput() {
    AudioLibrary::Options o;
    o.output = "null";
    return o;
}

std::uint32_t silence(AudioHandle, void* buffer, std::uint32_t length) {
    std::memset(buffer, 0, length);
    return length;
}

TEST(EngineLibrary, VersionIsTwoPointZero) {
    AudioLibrary audio;
    EXPECT_EQ(audio.GetVersion(), 0x00000002u);
}

TEST(EngineLibrary, DeadHandlesFailCleanlyEverywhere) {
    TempDir dir;
    writeFile(dir.file("a.wav"), wavFile(sineTone(44100, 2, 1000, 440), 44100, 2));
    AudioLibrary audio(nullOutput());
    ASSERT_TRUE(audio.Init(1, 44100));
    AudioHandle decoder = audio.StreamCreateFile(dir.file("a.wav"));
    AudioHandle output = audio.StreamCreate(44100, 2, 0, silence);
    ASSERT_NE(decoder, 0u);
    ASSERT_NE(output, 0u);
    ASSERT_TRUE(audio.StreamFree(decoder));
    ASSERT_TRUE(audio.StreamFree(output));
    const int bad = static_cast<int>(AudioError::BadHandle);
    std::int16_t buffer[64];
    for (AudioHandle h : {AudioHandle{0}, decoder, output, AudioHandle{987654}}) {
        SCOPED_TRACE(h);
        EXPECT_FALSE(audio.StreamFree(h));
        EXPECT_EQ(audio.ErrorGetCode(), bad);
        EXPECT_FALSE(audio.MusicFree(h));
        EXPECT_EQ(audio.StreamGetLength(h), -1);
        EXPECT_EQ(audio.StreamGetFilePosition(h, FilePositionMode::Size), -1);
        EXPECT_EQ(audio.ChannelGetData(h, buffer, sizeof buffer), -1);
        EXPECT_FALSE(audio.ChannelGetInfo(h));
        EXPECT_FALSE(audio.ChannelGetAttributes(h));
        EXPECT_FALSE(audio.ChannelSetAttributes(h, -1, 500, -101));
        EXPECT_FALSE(audio.ChannelSlideAttributes(h, -1, 0, -101, 100));
        EXPECT_EQ(audio.ChannelIsActive(h), ChannelState::Stopped);
        EXPECT_EQ(audio.ChannelGetPosition(h), -1);
        EXPECT_FALSE(audio.ChannelSetPosition(h, 0));
        EXPECT_EQ(audio.ChannelSeconds2Bytes(h, 1.0), -1);
        EXPECT_LT(audio.ChannelBytes2Seconds(h, 4), 0);
        EXPECT_FALSE(audio.StreamPlay(h));
        EXPECT_FALSE(audio.ChannelPause(h));
        EXPECT_FALSE(audio.ChannelResume(h));
        EXPECT_FALSE(audio.ChannelStop(h));
        EXPECT_EQ(audio.ChannelSetDSP(
                      h, [](AudioHandle, AudioHandle, void*, std::uint32_t) {}, 0),
                  0u);
        EXPECT_EQ(audio.ErrorGetCode(), bad);
    }
}

TEST(EngineLibrary, OperationsThatDoNotApplyToAKindOfChannelAreRefused) {
    TempDir dir;
    writeFile(dir.file("a.wav"), wavFile(sineTone(44100, 2, 1000, 440), 44100, 2));
    AudioLibrary audio(nullOutput());
    ASSERT_TRUE(audio.Init(1, 44100));
    AudioHandle decoder = audio.StreamCreateFile(dir.file("a.wav"));
    AudioHandle output = audio.StreamCreate(44100, 2, 0, silence);
    const int na = static_cast<int>(AudioError::NotAvailable);
    EXPECT_FALSE(audio.StreamPlay(decoder));
    EXPECT_EQ(audio.ErrorGetCode(), na);
    EXPECT_FALSE(audio.ChannelSetAttributes(decoder, -1, 500, -101));
    EXPECT_EQ(audio.ErrorGetCode(), na);
    EXPECT_FALSE(audio.ChannelSetPosition(output, 0));
    EXPECT_EQ(audio.ErrorGetCode(), na);
    EXPECT_EQ(audio.StreamGetLength(output), -1);
    EXPECT_FALSE(audio.ChannelSetAttributes(output, 22050, -1, -101)); // no resampling
    EXPECT_FALSE(audio.ChannelSetAttributes(output, -1, -1, 50));      // no panning
    EXPECT_TRUE(audio.ChannelSetAttributes(output, 44100, 700, 0));
    EXPECT_EQ(audio.ChannelGetAttributes(output)->volume, 700);
    // Nothing listens on port 1: the connection is refused.
    EXPECT_EQ(audio.StreamCreateURL("http://127.0.0.1:1/none", 0, kStreamDecode), 0u);
    EXPECT_EQ(audio.ErrorGetCode(), static_cast<int>(AudioError::FileOpen));
    EXPECT_FALSE(audio.StreamGetTags(decoder, TagKind::Icy));
}

TEST(EngineLibrary, ConversionsUseTheChannelFormat) {
    TempDir dir;
    writeFile(dir.file("m.wav"), wavFile(sineTone(22050, 1, 1000, 440), 22050, 1));
    writeFile(dir.file("s.wav"), wavFile(sineTone(44100, 2, 1000, 440), 44100, 2));
    AudioLibrary audio;
    AudioHandle mono = audio.StreamCreateFile(dir.file("m.wav"));
    AudioHandle stereo = audio.StreamCreateFile(dir.file("s.wav"));
    struct Case {
        AudioHandle h;
        double seconds;
        std::int64_t bytes;
    };
    const Case cases[] = {
        {stereo, 3.0, 529200}, {stereo, 0.2, 35280}, {stereo, 0.021, 3704}, {stereo, 1.0, 176400},
        {mono, 1.0, 44100},    {mono, 0.5, 22050},   {stereo, 0.0, 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.seconds);
        EXPECT_EQ(audio.ChannelSeconds2Bytes(c.h, c.seconds), c.bytes);
    }
    EXPECT_DOUBLE_EQ(audio.ChannelBytes2Seconds(stereo, 176400 * 3), 3.0);
    EXPECT_DOUBLE_EQ(audio.ChannelBytes2Seconds(mono, 11025), 0.25);
    EXPECT_EQ(audio.ChannelSeconds2Bytes(stereo, -1.0), -1);
}

TEST(EngineLibrary, OptionsAreCheckedAndKept) {
    AudioLibrary audio;
    EXPECT_TRUE(audio.SetConfig(AudioOption::BufferMs, 3000));
    EXPECT_TRUE(audio.SetConfig(AudioOption::UpdatePeriodMs, 100));
    EXPECT_TRUE(audio.SetConfig(AudioOption::MaxVolume, 1000));
    EXPECT_EQ(audio.getConfig(AudioOption::BufferMs), 3000);
    EXPECT_EQ(audio.getConfig(AudioOption::UpdatePeriodMs), 100);
    EXPECT_FALSE(audio.SetConfig(AudioOption::BufferMs, 0));
    EXPECT_EQ(audio.ErrorGetCode(), static_cast<int>(AudioError::Parameter));
    EXPECT_FALSE(audio.SetConfig(AudioOption::UpdatePeriodMs, 0));
    EXPECT_FALSE(audio.SetConfig(AudioOption::MaxVolume, 0));
    EXPECT_EQ(audio.getConfig(AudioOption::BufferMs), 3000);
}

TEST(EngineLibrary, DeviceLifecycle) {
    TempDir dir;
    writeFile(dir.file("a.wav"), wavFile(sineTone(44100, 2, 1000, 440), 44100, 2));
    AudioLibrary audio(nullOutput());
    // Decoding needs no device; an output stream does.
    AudioHandle decoder = audio.StreamCreateFile(dir.file("a.wav"));
    EXPECT_NE(decoder, 0u);
    EXPECT_EQ(audio.StreamCreate(44100, 2, 0, silence), 0u);
    EXPECT_EQ(audio.ErrorGetCode(), static_cast<int>(AudioError::NotInitialized));
    EXPECT_FALSE(audio.Init(1, 0));
    EXPECT_EQ(audio.ErrorGetCode(), static_cast<int>(AudioError::BadRate));
    ASSERT_TRUE(audio.Init(1, 44100));
    EXPECT_FALSE(audio.Init(1, 44100));
    EXPECT_EQ(audio.ErrorGetCode(), static_cast<int>(AudioError::Already));
    AudioHandle output = audio.StreamCreate(44100, 2, 0, silence);
    ASSERT_NE(output, 0u);
    EXPECT_TRUE(audio.StreamPlay(output));
    // Free takes every handle with it, playing or not.
    EXPECT_TRUE(audio.Free());
    EXPECT_EQ(audio.ChannelIsActive(output), ChannelState::Stopped);
    EXPECT_FALSE(audio.StreamFree(output));
    EXPECT_FALSE(audio.StreamFree(decoder));
    EXPECT_EQ(audio.StreamCreate(44100, 2, 0, silence), 0u);
    EXPECT_FALSE(audio.Free());
    ASSERT_TRUE(audio.Init(0, 44100));
    EXPECT_NE(audio.StreamCreate(44100, 2, 0, silence), 0u);
}

TEST(EngineLibrary, HandlesBelongToTheirLibrary) {
    TempDir dir;
    writeFile(dir.file("a.wav"), wavFile(sineTone(44100, 2, 1000, 440), 44100, 2));
    AudioLibrary first;
    AudioLibrary second;
    AudioHandle a = first.StreamCreateFile(dir.file("a.wav"));
    AudioHandle b = second.StreamCreateFile(dir.file("a.wav"));
    ASSERT_NE(a, 0u);
    ASSERT_NE(b, 0u);
    EXPECT_TRUE(first.StreamFree(a));
    EXPECT_EQ(second.StreamGetLength(b), 4000);
    EXPECT_FALSE(first.StreamFree(a));
}

TEST(EngineLibrary, ErrorsArePerThread) {
    AudioLibrary audio;
    EXPECT_FALSE(audio.StreamFree(42));
    std::thread other([&] { EXPECT_TRUE(audio.SetConfig(AudioOption::BufferMs, 500)); });
    other.join();
    // The other thread's success does not wipe this thread's failure.
    EXPECT_EQ(audio.ErrorGetCode(), static_cast<int>(AudioError::BadHandle));
}

TEST(EngineLibrary, OutputSelectionSyntax) {
    using Kind = OutputSelection::Kind;
    struct Case {
        const char* text;
        Kind kind;
        const char* path;
        bool fast;
    };
    const Case cases[] = {
        {"null", Kind::Null, "", false},
        {"wav:/tmp/out.wav", Kind::Wav, "/tmp/out.wav", false},
        {"wav:/tmp/out.wav,fast", Kind::Wav, "/tmp/out.wav", true},
        {"wav:/tmp/a,b.wav", Kind::Wav, "/tmp/a,b.wav", false},
        {"wav:", Kind::Device, "", false},
        {"wav:,fast", Kind::Device, "", false},
        {"pulse", Kind::Device, "", false},
        {"", Kind::Device, "", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        OutputSelection s = parseOutputSelection(c.text);
        EXPECT_EQ(s.kind, c.kind);
        EXPECT_EQ(s.path, c.path);
        EXPECT_EQ(s.fast, c.fast);
    }
}

TEST(EngineLibrary, DeviceListWithATestOutput) {
    AudioLibrary audio(nullOutput());
    EXPECT_EQ(audio.GetDeviceDescription(0), "No sound");
    EXPECT_EQ(audio.GetDeviceDescription(1), "Null output");
    EXPECT_FALSE(audio.GetDeviceDescription(2));
    TempDir dir;
    AudioLibrary wav(wavOutput(dir.file("x.wav"), true));
    EXPECT_EQ(wav.GetDeviceDescription(1), "WAV file " + dir.file("x.wav"));
}

// A server that takes the connection and never says a word.
class SilentServer {
public:
    explicit SilentServer(const std::string& path) {
        fd_ = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::snprintf(addr.sun_path, sizeof addr.sun_path, "%s", path.c_str());
        if (bind(fd_, reinterpret_cast<sockaddr*>(&addr), sizeof addr) != 0 || listen(fd_, 4) != 0)
            ADD_FAILURE() << "cannot listen on " << path;
    }
    ~SilentServer() { close(fd_); }

private:
    int fd_;
};

TEST(EngineLibrary, AnUnusableSoundServerFailsInit) {
    TempDir dir;
    const std::string silentPath = dir.file("silent");
    SilentServer server(silentPath);
    struct Case {
        const char* name;
        std::string server;
        AudioError expected;
    };
    const Case cases[] = {
        {"nobody listening", "unix:" + dir.file("nothing-here"), AudioError::Device},
        {"server never answers", "unix:" + silentPath, AudioError::Timeout},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        AudioLibrary::Options o;
        o.output = "";
        o.pulseServer = c.server;
        o.connectTimeoutMs = 300;
        AudioLibrary audio(o);
        EXPECT_FALSE(audio.Init(1, 44100));
        EXPECT_EQ(audio.ErrorGetCode(), static_cast<int>(c.expected));
        EXPECT_EQ(audio.StreamCreate(44100, 2, 0, silence), 0u);
    }
}

} // namespace
} // namespace kesto::test
