// The per-channel operations of AudioLibrary: lengths, positions, reading,
// attributes, transport and DSP hooks. Each works on shared_ptr copies taken
// from the handle table, so a concurrent free cannot pull a channel away from
// under a call.

#include "playback/engine/audio_library_impl.h"

#include <algorithm>
#include <cmath>

namespace kesto {

namespace {

std::uint32_t frameBytesOf(const Channel& c) {
    return c.output ? c.output->format().frameBytes() : c.decoder->frameBytes();
}

std::uint32_t rateOf(const Channel& c) {
    return c.output ? c.output->format().rate : c.decoder->info().rate;
}

} // namespace

std::int64_t AudioLibrary::StreamGetLength(AudioHandle handle) {
    Impl& d = *impl_;
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, std::int64_t{-1});
    // An output stream is as long as its callback keeps going.
    const std::int64_t length = c.decoder ? c.decoder->lengthBytes() : -1;
    if (length < 0)
        return d.fail(AudioError::NotAvailable, std::int64_t{-1});
    d.ok();
    return length;
}

std::int64_t AudioLibrary::StreamGetFilePosition(AudioHandle handle, FilePositionMode mode) {
    Impl& d = *impl_;
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, std::int64_t{-1});
    if (!c.decoder)
        return d.fail(AudioError::NotAvailable, std::int64_t{-1});
    const std::int64_t at = c.decoder->sourcePosition(mode);
    if (at < 0)
        return d.fail(AudioError::NotAvailable, std::int64_t{-1});
    d.ok();
    return at;
}

std::optional<std::string> AudioLibrary::StreamGetTags(AudioHandle handle, TagKind kind) {
    Impl& d = *impl_;
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, std::optional<std::string>{});
    auto tags = c.decoder ? c.decoder->tags(kind) : std::nullopt;
    if (!tags)
        return d.fail(AudioError::NotAvailable, std::optional<std::string>{});
    d.ok();
    return tags;
}

std::int64_t AudioLibrary::ChannelGetData(AudioHandle handle, void* buffer, std::uint32_t length) {
    Impl& d = *impl_;
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, std::int64_t{-1});
    if (!buffer && length > 0)
        return d.fail(AudioError::Parameter, std::int64_t{-1});
    if (c.output) {
        d.ok();
        return static_cast<std::int64_t>(c.output->peek(buffer, length));
    }
    AudioError error = AudioError::Ok;
    const std::int64_t n = c.decoder->read(buffer, length, error);
    d.errors.set(error);
    return n;
}

std::optional<ChannelInfo> AudioLibrary::ChannelGetInfo(AudioHandle handle) {
    Impl& d = *impl_;
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, std::optional<ChannelInfo>{});
    d.ok();
    if (c.output)
        return ChannelInfo{c.output->format().rate, c.output->format().channels, 0};
    return c.decoder->info();
}

std::optional<ChannelAttributes> AudioLibrary::ChannelGetAttributes(AudioHandle handle) {
    Impl& d = *impl_;
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, std::optional<ChannelAttributes>{});
    const int maxVolume = d.settings->maxVolume;
    ChannelAttributes a;
    a.rate = static_cast<int>(rateOf(c));
    a.volume = c.output ? static_cast<int>(std::lround(c.output->gain() * maxVolume)) : maxVolume;
    d.ok();
    return a;
}

namespace {

// Checks the arguments shared by set and slide: we neither resample nor pan.
AudioError checkAttributes(const Channel& c, int rate, int volume, int pan) {
    if (rate != -1 && rate != 0 && rate != static_cast<int>(rateOf(c)))
        return AudioError::NotAvailable;
    if (pan != -101 && pan != 0)
        return AudioError::NotAvailable;
    if (volume < -1)
        return AudioError::Parameter;
    if (volume != -1 && !c.output)
        return AudioError::NotAvailable;
    return AudioError::Ok;
}

} // namespace

bool AudioLibrary::ChannelSetAttributes(AudioHandle handle, int rate, int volume, int pan) {
    Impl& d = *impl_;
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, false);
    if (AudioError e = checkAttributes(c, rate, volume, pan); e != AudioError::Ok)
        return d.fail(e, false);
    if (volume >= 0) {
        const int maxVolume = d.settings->maxVolume;
        c.output->setGain(static_cast<double>(std::min(volume, maxVolume)) / maxVolume);
    }
    d.ok();
    return true;
}

bool AudioLibrary::ChannelSlideAttributes(AudioHandle handle, int rate, int volume, int pan,
                                          int ms) {
    Impl& d = *impl_;
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, false);
    if (AudioError e = checkAttributes(c, rate, volume, pan); e != AudioError::Ok)
        return d.fail(e, false);
    if (ms < 0)
        return d.fail(AudioError::Parameter, false);
    if (volume >= 0) {
        const int maxVolume = d.settings->maxVolume;
        c.output->slideVolume(static_cast<double>(std::min(volume, maxVolume)) / maxVolume, ms);
    }
    d.ok();
    return true;
}

ChannelState AudioLibrary::ChannelIsActive(AudioHandle handle) {
    Impl& d = *impl_;
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, ChannelState::Stopped);
    d.ok();
    if (c.output)
        return c.output->state();
    return c.decoder->active() ? ChannelState::Playing : ChannelState::Stopped;
}

bool AudioLibrary::deviceLost(AudioHandle handle) {
    Impl& d = *impl_;
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, false);
    d.ok();
    return c.output && c.output->deviceLost() && c.output->state() == ChannelState::Stopped;
}

std::int64_t AudioLibrary::ChannelGetPosition(AudioHandle handle) {
    Impl& d = *impl_;
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, std::int64_t{-1});
    d.ok();
    return c.output ? c.output->bytePosition() : c.decoder->bytePosition();
}

bool AudioLibrary::ChannelSetPosition(AudioHandle handle, std::int64_t bytes) {
    Impl& d = *impl_;
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, false);
    if (!c.decoder)
        return d.fail(AudioError::NotAvailable, false);
    AudioError error = AudioError::Ok;
    const bool done = c.decoder->setPosition(bytes, error);
    d.errors.set(error);
    return done;
}

double AudioLibrary::ChannelBytes2Seconds(AudioHandle handle, std::int64_t bytes) {
    Impl& d = *impl_;
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, -1.0);
    if (bytes < 0)
        return d.fail(AudioError::Parameter, -1.0);
    d.ok();
    return static_cast<double>(bytes) / (static_cast<double>(rateOf(c)) * frameBytesOf(c));
}

std::int64_t AudioLibrary::ChannelSeconds2Bytes(AudioHandle handle, double seconds) {
    Impl& d = *impl_;
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, std::int64_t{-1});
    if (!(seconds >= 0) || seconds > 1e9)
        return d.fail(AudioError::Parameter, std::int64_t{-1});
    d.ok();
    // Whole frames; the small margin keeps 0.2 s at 44100 Hz from becoming 8819 frames.
    const auto frames = static_cast<std::int64_t>(std::floor(seconds * rateOf(c) + 1e-7));
    return frames * frameBytesOf(c);
}

bool AudioLibrary::ChannelPause(AudioHandle handle) {
    return impl_->onOutput(handle, [](OutputStream& o, AudioError& e) { return o.pause(e); });
}

bool AudioLibrary::ChannelResume(AudioHandle handle) {
    return impl_->onOutput(handle, [](OutputStream& o, AudioError& e) { return o.resume(e); });
}

bool AudioLibrary::ChannelStop(AudioHandle handle) {
    return impl_->onOutput(handle, [](OutputStream& o, AudioError& e) {
        e = o.stop() ? AudioError::Ok : AudioError::BadHandle;
        return e == AudioError::Ok;
    });
}

AudioHandle AudioLibrary::ChannelSetDSP(AudioHandle handle, DspProc proc, int priority) {
    Impl& d = *impl_;
    if (!proc)
        return d.fail(AudioError::Parameter, AudioHandle{0});
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, AudioHandle{0});
    if (!c.output)
        return d.fail(AudioError::NotAvailable, AudioHandle{0});
    AudioHandle dsp = 0;
    {
        std::lock_guard lock(d.tableMutex);
        dsp = d.takeHandle();
        d.dspOwners.emplace(dsp, handle);
    }
    // Outside the table lock: adding waits for a running callback.
    c.output->addDsp(dsp, std::move(proc), priority);
    d.ok();
    return dsp;
}

bool AudioLibrary::ChannelRemoveDSP(AudioHandle handle, AudioHandle dsp) {
    Impl& d = *impl_;
    Channel c = d.lookup(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, false);
    if (!c.output)
        return d.fail(AudioError::NotAvailable, false);
    {
        std::lock_guard lock(d.tableMutex);
        auto it = d.dspOwners.find(dsp);
        if (it == d.dspOwners.end() || it->second != handle)
            return d.fail(AudioError::BadHandle, false);
        d.dspOwners.erase(it);
    }
    c.output->removeDsp(dsp);
    d.ok();
    return true;
}

} // namespace kesto
