#include "playback/probes.h"

#include "player/player.h"
#include "playlist/entry.h"

#include <cmath>
#include <fstream>

namespace kesto {

namespace {

// The caller's decoder, or one of our own for the length of a question: also
// when the caller's is gone (the fill callback frees a file's decoder once
// its tail is cut, while the file still plays from the output's buffer).
class ProbeHandle {
public:
    ProbeHandle(Player& player, const std::string& path, AudioHandle handle)
        : audio_(player.audio), handle_(handle) {
        // An output stream or an internet stream has no length but is alive.
        if (handle_ == 0 || !audio_.ChannelGetInfo(handle_)) {
            handle_ = audio_.StreamCreateFile(std::string(EntryPath(path)), kStreamDecode);
            owned_ = true;
        }
    }
    ~ProbeHandle() {
        if (owned_)
            audio_.StreamFree(handle_);
    }
    ProbeHandle(const ProbeHandle&) = delete;
    ProbeHandle& operator=(const ProbeHandle&) = delete;
    AudioHandle get() const { return handle_; }

private:
    AudioLibrary& audio_;
    AudioHandle handle_;
    bool owned_ = false;
};

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

// The bits per sample a WAV header states, at byte 34; 0 when unreadable.
int wavHeaderBits(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    unsigned char header[44] = {};
    in.read(reinterpret_cast<char*>(header), sizeof header);
    if (in.gcount() < 36)
        return 0;
    return header[34] | (header[35] << 8);
}

} // namespace

int ProbeRate(Player& player, const std::string& path, AudioHandle handle) {
    ProbeHandle probe(player, path, handle);
    const auto attributes = player.audio.ChannelGetAttributes(probe.get());
    return attributes ? attributes->rate : 0;
}

bool ProbeStereo(Player& player, const std::string& path, AudioHandle handle) {
    ProbeHandle probe(player, path, handle);
    const auto info = player.audio.ChannelGetInfo(probe.get());
    return info && info->channels != 1;
}

bool Probe16Bit(Player& player, const std::string& path, AudioHandle handle) {
    ProbeHandle probe(player, path, handle);
    const auto info = player.audio.ChannelGetInfo(probe.get());
    return info && (info->flags & kSample8Bit) == 0;
}

int ProbeBitrate(Player& player, const std::string& path, AudioHandle handle) {
    ProbeHandle probe(player, path, handle);
    AudioLibrary& audio = player.audio;
    if (ClassifyEntry(path) == EntryKind::Stream) {
        // No size and no length: the bytes the decoder has taken against
        // the time they have played for.
        const std::int64_t taken =
            audio.StreamGetFilePosition(probe.get(), FilePositionMode::Decode);
        const double played =
            audio.ChannelBytes2Seconds(probe.get(), audio.ChannelGetPosition(probe.get()));
        if (taken <= 0 || !(played > 0))
            return 0;
        return static_cast<int>(std::lround(static_cast<double>(taken) / played * 8.0 / 1000.0));
    }
    const std::int64_t size = audio.StreamGetFilePosition(probe.get(), FilePositionMode::Size);
    const std::int64_t length = audio.StreamGetLength(probe.get());
    const double seconds = length > 0 ? audio.ChannelBytes2Seconds(probe.get(), length) : 0.0;
    // A file without a length has no bit rate to speak of.
    if (size <= 0 || seconds <= 0)
        return 0;
    return static_cast<int>(std::lround(static_cast<double>(size) / seconds * 8.0 / 1000.0));
}

std::string FormatDescription(Player& player, const std::string& entry, AudioHandle handle) {
    const std::string path(EntryPath(entry));
    const std::string extension = lowerAscii(fileExtension(path));
    if (extension != ".wav" && extension != ".mp3" && extension != ".ogg")
        return {};
    ProbeHandle probe(player, path, handle);
    const bool stereo = ProbeStereo(player, path, probe.get());
    if (extension == ".wav") {
        return std::to_string(ProbeRate(player, path, probe.get())) + " Hz " +
               std::to_string(wavHeaderBits(path)) + " bit" + (stereo ? " 立体声" : " 单声道");
    }
    return std::to_string(ProbeBitrate(player, path, probe.get())) +
           (stereo ? " Kbps 立体声" : " Kbps单声道");
}

} // namespace kesto
