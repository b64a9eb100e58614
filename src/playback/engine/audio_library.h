#pragma once

// The audio library: decode-only file streams, the callback-fed output
// stream, and the sound devices behind them, as one object. Every handle
// belongs to the library that made it; a test can make as many libraries as
// it likes. All methods may be called from any thread, including from inside
// a fill callback or a DSP of this library's own streams.
//
// Typical use by the player:
//
//   AudioLibrary audio;
//   audio.Init(1, 44100);                       // 1 = default output
//   audio.SetConfig(AudioOption::BufferMs, 3000);
//   AudioHandle dec = audio.StreamCreateFile(path, kStreamDecode);
//   ChannelInfo info = *audio.ChannelGetInfo(dec);
//   AudioHandle out = audio.StreamCreate(info.rate, info.channels, 0,
//       [&](AudioHandle, void* buf, std::uint32_t len) -> std::uint32_t {
//           std::int64_t n = audio.ChannelGetData(dec, buf, len);
//           if (n < 0) return kStreamEnd;
//           bool ended = audio.ChannelIsActive(dec) == ChannelState::Stopped;
//           return static_cast<std::uint32_t>(n) | (ended ? kStreamEnd : 0);
//       });
//   audio.StreamPlay(out);
//   ... audio.ChannelGetPosition(out) counts the bytes the device has played.

#include "playback/engine/audio_types.h"

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

namespace kesto {

class AudioLibrary {
public:
    struct Options {
        // Same syntax as KESTO_AUDIO_OUTPUT; nullopt = read that variable.
        std::optional<std::string> output;
        // PulseAudio server address; empty = libpulse's own choice.
        std::string pulseServer;
        int connectTimeoutMs = 3000;
        // An internet stream must have answered, and shown its format, by then.
        int streamTimeoutMs = 10000;
        // The compressed bytes a stream may hold ahead of the decoder.
        std::size_t streamRingBytes = 256 * 1024;
    };

    AudioLibrary();
    explicit AudioLibrary(Options options);
    // Frees everything. Must not run inside one of the library's own callbacks.
    ~AudioLibrary();
    AudioLibrary(const AudioLibrary&) = delete;
    AudioLibrary& operator=(const AudioLibrary&) = delete;

    // 2.0: high word 0, low word 2.
    static constexpr std::uint32_t kVersion = 0x00000002;
    std::uint32_t GetVersion() const { return kVersion; }
    // The last error of the calling thread; Ok after a call that succeeded.
    int ErrorGetCode() const;

    // Device 0 = no sound (Null), 1 or -1 = the default output, 2.. = each
    // PulseAudio sink in GetDeviceDescription's order. Fails when the device
    // cannot be used, so the caller can warn the user.
    bool Init(int device, std::uint32_t rate, std::uint32_t flags = 0);
    // Stops and frees every stream and decoder, then releases the device.
    bool Free();
    bool SetConfig(AudioOption option, int value);
    int getConfig(AudioOption option) const;
    std::optional<std::string> GetDeviceDescription(int device);

    // How often calls from outside the feeder threads (play, pause, resume,
    // stop, free) found an output's control lock held by a running fill
    // callback, and the longest such wait. For measuring harnesses.
    struct ControlWaitReport {
        std::uint64_t acquisitions = 0;
        std::uint64_t waited = 0;
        std::uint64_t overOneMs = 0;
        double worstMs = 0;
    };
    ControlWaitReport controlLockWaits() const;

    // Decode-only streams. Every file stream is decode-only, whatever the flags.
    AudioHandle StreamCreateFile(const std::string& path, std::uint32_t flags = kStreamDecode);
    // An internet stream (http or https, MP3 or OGG Vorbis), decode-only like
    // a file. Blocks until the format is known: call it from a worker. Errors:
    // FileOpen (unknown host, refused, an error status), Timeout (no answer
    // within streamTimeoutMs), FileFormat (not audio we play, or the station
    // turned us away). kStreamMeta asks the server for its metadata (tag
    // kind Meta). A live stream starts where it is: `offset` is not used.
    // Its decoder reads 0 bytes while the download lags, which stalls the
    // output reading it, and ends once the connection has ended and every
    // byte is decoded. StreamFree or Free end the download at once, also
    // while this call is still connecting on another thread.
    AudioHandle StreamCreateURL(const std::string& url, std::uint64_t offset, std::uint32_t flags);
    // A 16-bit output stream fed by `fill`; needs Init.
    AudioHandle StreamCreate(std::uint32_t rate, std::uint32_t channels, std::uint32_t flags,
                             StreamFillProc fill);
    bool StreamPlay(AudioHandle handle);
    // Readies a stopped output at its start, paused: nothing is decoded or
    // played until ChannelResume or StreamPlay. Other states stay as they are.
    bool streamCue(AudioHandle handle);
    // Freeing 0 or a dead handle does nothing and fails quietly.
    bool StreamFree(AudioHandle handle);
    bool MusicFree(AudioHandle handle) { return StreamFree(handle); }
    std::int64_t StreamGetLength(AudioHandle handle);
    std::int64_t StreamGetFilePosition(AudioHandle handle, FilePositionMode mode);
    std::optional<std::string> StreamGetTags(AudioHandle handle, TagKind kind);

    // Decoder: decodes and advances. Output: the samples being heard now, not
    // consumed. Returns bytes, or -1 on failure.
    std::int64_t ChannelGetData(AudioHandle handle, void* buffer, std::uint32_t length);
    std::optional<ChannelInfo> ChannelGetInfo(AudioHandle handle);
    std::optional<ChannelAttributes> ChannelGetAttributes(AudioHandle handle);
    // rate -1 or 0 = unchanged; volume -1 = unchanged; pan -101 = unchanged.
    bool ChannelSetAttributes(AudioHandle handle, int rate, int volume, int pan);
    bool ChannelSlideAttributes(AudioHandle handle, int rate, int volume, int pan, int ms);
    ChannelState ChannelIsActive(AudioHandle handle);
    // An output that is stopped because its device failed or the sound
    // server went away, not because its stream ended; the next play or stop
    // of it clears this. False for decoders and bad handles.
    bool deviceLost(AudioHandle handle);
    std::int64_t ChannelGetPosition(AudioHandle handle);
    bool ChannelSetPosition(AudioHandle handle, std::int64_t bytes);
    double ChannelBytes2Seconds(AudioHandle handle, std::int64_t bytes);
    std::int64_t ChannelSeconds2Bytes(AudioHandle handle, double seconds);
    bool ChannelPause(AudioHandle handle);
    bool ChannelResume(AudioHandle handle);
    bool ChannelStop(AudioHandle handle);
    AudioHandle ChannelSetDSP(AudioHandle handle, DspProc proc, int priority);
    bool ChannelRemoveDSP(AudioHandle handle, AudioHandle dsp);

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
};

} // namespace kesto
