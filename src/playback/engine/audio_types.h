#pragma once

// The vocabulary of the audio library: handles, error codes, flags, channel
// states and the two callbacks a caller hands in. Positions and lengths are
// bytes of interleaved signed 16-bit samples, whatever the source format.

#include <cstdint>
#include <functional>

namespace kesto {

// 32-bit handles, 0 = none. Decoders, output streams and DSP hooks share one
// counter per library, so a stale handle never names a newer object.
using AudioHandle = std::uint32_t;

enum class AudioError : int {
    Ok = 0,
    Internal = 1,        // an allocation or a system call failed
    FileOpen = 2,        // the file cannot be opened (missing, a folder, a device node)
    Device = 10,         // no such output device, or it refused us
    BadHandle = 11,      // 0, freed, or a handle of the wrong kind
    SampleFormat = 6,    // a sample format we cannot convert
    Position = 12,       // a position outside the stream
    NotInitialized = 13, // no output device: call Init first
    NotPlaying = 15,     // the output is not running
    Already = 16,        // Init while a device is open
    Ended = 19,          // a decoder read past its end
    Parameter = 18,      // an argument out of range
    NotAudio = 17,       // a known container without any audio in it
    BadRate = 25,        // a sample rate outside 1000..384000 Hz
    NotAvailable = 30,   // the operation does not apply to this kind of channel
    Timeout = 40,        // the sound server did not answer in time
    FileFormat = 41,     // not a format we can read
};

// ChannelIsActive
enum class ChannelState : int { Stopped = 0, Playing = 1, Stalled = 2, Paused = 3 };

// Stream flags the player passes; anything else is ignored.
inline constexpr std::uint32_t kStreamDecode = 0x200000;
inline constexpr std::uint32_t kStreamMeta = 0x400000;

// Bit 31 of a fill callback's result: the stream ends after this block.
inline constexpr std::uint32_t kStreamEnd = 0x80000000u;

// ChannelInfo::flags bit 0: the source has 8-bit samples (decoders still deliver 16-bit).
inline constexpr std::uint32_t kSample8Bit = 1;
// ChannelInfo::flags bit 1: the decoder has dropped the encoder's delay and
// padding as the file records them, so the stream ends on the music's last
// sample (an MP3 with a LAME header; not set for formats that never pad).
inline constexpr std::uint32_t kSampleExactEnd = 2;

// SetConfig / getConfig options.
enum class AudioOption : int { BufferMs = 0, UpdatePeriodMs = 1, MaxVolume = 3 };

// StreamGetFilePosition modes.
enum class FilePositionMode : int { Decode = 0, Download = 1, Size = 2 };

// StreamGetTags kinds (URL streams only).
enum class TagKind : int { Icy = 4, Meta = 5 };

struct ChannelInfo {
    std::uint32_t rate = 0;
    std::uint32_t channels = 0;
    std::uint32_t flags = 0;
};

struct ChannelAttributes {
    int rate = 0;
    int volume = 0; // 0..maximum volume (option 3)
    int pan = 0;    // always centred: we do not pan
};

// Fills `buffer` with up to `length` bytes for the output stream `handle` and
// returns the count, with kStreamEnd set when no more data will follow. Runs
// on the stream's feeder thread and may call back into the library.
using StreamFillProc =
    std::function<std::uint32_t(AudioHandle handle, void* buffer, std::uint32_t length)>;

// Sees (and may change) each block of an output stream once, in order, as it
// is buffered. Runs on the feeder thread.
using DspProc =
    std::function<void(AudioHandle dsp, AudioHandle channel, void* buffer, std::uint32_t length)>;

} // namespace kesto
