// The format text of the status bar and the probes behind it.

#include "playback/probes.h"
#include "playback/volume.h"

#include "playback/playback_fixture.h"

#include <cmath>
#include <cstdlib>
#include <sys/stat.h>
#include <thread>

namespace kesto::test {
namespace {

class PlaybackFormat : public PlaybackTest {
protected:
    void SetUp() override { usePacedNull(); }
    std::string write(const std::string& name, const std::string& bytes) {
        const std::string path = home.file(name);
        writeFile(path, bytes);
        return path;
    }
    // Kilobits per second over the whole file, from its size and length.
    static std::string kbps(const std::string& path, double seconds) {
        struct stat st {};
        ::stat(path.c_str(), &st);
        return std::to_string(std::lround(static_cast<double>(st.st_size) / seconds * 8 / 1000));
    }
};

TEST_F(PlaybackFormat, DescriptionNamesRateWidthAndChannels) {
    const Samples stereo = loudTone(44100, 2);
    Samples monoU8 = loudTone(44100, 1);
    for (auto& s : monoU8)
        s = static_cast<std::int16_t>(s & ~0xFF);
    const std::string mp3 = write("s.mp3", mp3File(loudTone(5 * 44100, 2), 44100, 2));
    const std::string ogg = write("m.ogg", oggFile(loudTone(4 * 44100, 1), 44100, 1));
    struct Case {
        std::string path;
        std::string text;
    };
    const Case cases[] = {
        {write("a.wav", wavFile(stereo, 44100, 2)), "44100 Hz 16 bit 立体声"},
        {write("b.WAV", wavFile(monoU8, 44100, 1, WavEncoding::U8)), "44100 Hz 8 bit 单声道"},
        {write("c.wav", wavFile(loudTone(22050, 2, 440, 0.5, 22050), 22050, 2, WavEncoding::S24)),
         "22050 Hz 24 bit 立体声"},
        {mp3, kbps(mp3, 5.0) + " Kbps 立体声"},
        {ogg, kbps(ogg, 4.0) + " Kbps单声道"},
        {write("d.mp2", silentMpegFrames(2, 40)), ""},
        {home.file("a.wav") + "|A title", "44100 Hz 16 bit 立体声"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(FormatDescription(p(), c.path, 0), c.text);
    }
}

TEST_F(PlaybackFormat, ProbesUseTheGivenDecoderAndLeaveItOpen) {
    const std::string path =
        write("m.wav", wavFile(loudTone(8000, 1, 440, 0.5, 8000), 8000, 1, WavEncoding::U8));
    const AudioHandle decoder = p().audio.StreamCreateFile(path);
    ASSERT_NE(decoder, 0u);
    EXPECT_EQ(ProbeRate(p(), "ignored", decoder), 8000);
    EXPECT_FALSE(ProbeStereo(p(), "ignored", decoder));
    EXPECT_FALSE(Probe16Bit(p(), "ignored", decoder));
    EXPECT_EQ(p().audio.ChannelGetInfo(decoder)->rate, 8000u) << "still open";
    EXPECT_TRUE(Probe16Bit(p(), write("w.wav", wavFile(loudTone(100, 2), 44100, 2)), 0));
    EXPECT_EQ(ProbeRate(p(), home.file("missing.wav"), 0), 0);
}

// The sink part needs a sound server; the message and the player's volume do not.
TEST_F(PlaybackFormat, MixerResetUnmutesTheDefaultSinkAndSetsFullVolume) {
    SetVolume(p(), 300);
    p().MixerServer = "unix:" + home.file("no-such-server");
    ResetMixer(p());
    ASSERT_EQ(view.messages.size(), 1u);
    EXPECT_EQ(
        view.messages[0],
        (FakeView::Message{MessageKind::Information,
                           "此操作将使声音和主输出声道不再静音。\r全局设置和音量将被重置和最大化。"
                           "\r请留意您的扬声器。"}));
    EXPECT_EQ(p().transport.Volume, 1000);
    EXPECT_EQ(view.panels[kVolumePanel], " 100 %");

    const char* server = std::getenv("PULSE_SERVER");
    const char* sinkEnv = std::getenv("KESTO_TEST_PULSE_SINK");
    if (!server || !*server)
        GTEST_SKIP() << "PULSE_SERVER is not set: no sound server to reset";
    const std::string sink = sinkEnv && *sinkEnv ? sinkEnv : "ci_sink";
    const auto run = [](const std::string& command) {
        return std::system((command + " >/dev/null 2>&1").c_str());
    };
    ASSERT_EQ(run("pactl set-sink-volume " + sink + " 30%"), 0);
    ASSERT_EQ(run("pactl set-sink-mute " + sink + " 1"), 0);
    EXPECT_TRUE(resetDefaultSink(server, 2000));
    EXPECT_EQ(run("pactl get-sink-mute " + sink + " | grep -q 'Mute: no'"), 0);
    EXPECT_EQ(run("pactl get-sink-volume " + sink + " | grep -q ' 100% '"), 0);
}

} // namespace
} // namespace kesto::test
