#include "playback/engine/audio_library_impl.h"

#include "platform/curl_common.h"
#include "playback/engine/clocked_device.h"
#include "playback/engine/decoder_factory.h"
#include "playback/engine/pulse_device.h"
#include "playback/engine/url_decoder.h"
#include "playback/engine/wav_file_writer.h"

#include <algorithm>
#include <chrono>
#include <cstdlib>

namespace kesto {

namespace {

constexpr int kListTimeoutMs = 2000;
constexpr std::uint32_t kMinRate = 1000;
constexpr std::uint32_t kMaxRate = 384000;

std::optional<std::string> environmentOutput() {
    const char* value = std::getenv("KESTO_AUDIO_OUTPUT");
    if (!value)
        return std::nullopt;
    return std::string(value);
}

} // namespace

AudioLibrary::Impl::Impl(Options o) : options(std::move(o)) {
    if (!options.output)
        options.output = environmentOutput();
    if (options.output)
        selection = parseOutputSelection(*options.output);
}

Channel AudioLibrary::Impl::lookup(AudioHandle handle) {
    if (handle == 0)
        return {};
    std::lock_guard lock(tableMutex);
    auto it = channels.find(handle);
    return it == channels.end() ? Channel{} : it->second;
}

Channel AudioLibrary::Impl::remove(AudioHandle handle) {
    if (handle == 0)
        return {};
    std::lock_guard lock(tableMutex);
    auto it = channels.find(handle);
    if (it == channels.end())
        return {};
    Channel channel = std::move(it->second);
    channels.erase(it);
    std::erase_if(dspOwners, [&](const auto& entry) { return entry.second == handle; });
    return channel;
}

std::shared_ptr<OutputDevice> AudioLibrary::Impl::currentDevice() {
    std::lock_guard lock(deviceMutex);
    return device;
}

AudioLibrary::AudioLibrary() : AudioLibrary(Options{}) {}

AudioLibrary::AudioLibrary(Options options) : impl_(std::make_unique<Impl>(std::move(options))) {}

AudioLibrary::~AudioLibrary() {
    Free();
}

int AudioLibrary::ErrorGetCode() const {
    return static_cast<int>(impl_->errors.get());
}

bool AudioLibrary::Init(int device, std::uint32_t rate, std::uint32_t /*flags*/) {
    Impl& d = *impl_;
    if (rate < kMinRate || rate > kMaxRate)
        return d.fail(AudioError::BadRate, false);
    if (device < -1)
        return d.fail(AudioError::Device, false);
    std::lock_guard lock(d.deviceMutex);
    if (d.device)
        return d.fail(AudioError::Already, false);

    AudioError error = AudioError::Ok;
    using Kind = OutputSelection::Kind;
    if (d.selection.kind == Kind::Null || (d.selection.kind == Kind::Device && device == 0)) {
        d.device = std::make_shared<ClockedDevice>(nullptr, false);
    } else if (d.selection.kind == Kind::Wav) {
        auto writer = WavFileWriter::open(d.selection.path, !d.wavStarted, error);
        if (!writer)
            return d.fail(error, false);
        d.wavStarted = true;
        d.device = std::make_shared<ClockedDevice>(std::move(writer), d.selection.fast);
    } else {
        auto pulse =
            PulseConnection::connect(d.options.pulseServer, d.options.connectTimeoutMs, error);
        if (!pulse)
            return d.fail(error, false);
        std::string sink;
        if (device >= 2) {
            auto sinks = pulse->sinks(kListTimeoutMs);
            if (static_cast<std::size_t>(device - 2) >= sinks.size())
                return d.fail(AudioError::Device, false);
            sink = sinks[static_cast<std::size_t>(device - 2)].name;
        }
        d.pulse = pulse;
        d.device = std::make_shared<PulseDevice>(std::move(pulse), std::move(sink));
    }
    d.ok();
    return true;
}

bool AudioLibrary::Free() {
    Impl& d = *impl_;
    d.closing = true;
    d.frees.fetch_add(1);
    {
        std::lock_guard lock(d.connectMutex);
        for (auto& waiting : d.connecting) {
            if (auto download = waiting.lock())
                download->cancel();
        }
    }
    std::unordered_map<AudioHandle, Channel> channels;
    {
        std::lock_guard lock(d.tableMutex);
        channels.swap(d.channels);
        d.dspOwners.clear();
    }
    // Outside every library lock: shutting a stream down waits for its
    // callback, which may still be calling us.
    for (auto& [handle, channel] : channels) {
        if (channel.output)
            channel.output->shutdown();
    }
    channels.clear();
    bool hadDevice = false;
    {
        std::lock_guard lock(d.deviceMutex);
        hadDevice = d.device != nullptr;
        d.device.reset();
        d.pulse.reset();
    }
    d.closing = false;
    return hadDevice ? (d.ok(), true) : d.fail(AudioError::NotInitialized, false);
}

bool AudioLibrary::SetConfig(AudioOption option, int value) {
    Impl& d = *impl_;
    switch (option) {
    case AudioOption::BufferMs:
        if (value < 10 || value > 60000)
            return d.fail(AudioError::Parameter, false);
        d.settings->bufferMs = value;
        break;
    case AudioOption::UpdatePeriodMs:
        if (value < 5 || value > 1000)
            return d.fail(AudioError::Parameter, false);
        d.settings->updatePeriodMs = value;
        break;
    case AudioOption::MaxVolume:
        if (value < 1 || value > 1000000)
            return d.fail(AudioError::Parameter, false);
        d.settings->maxVolume = value;
        break;
    default:
        return d.fail(AudioError::Parameter, false);
    }
    d.ok();
    return true;
}

AudioLibrary::ControlWaitReport AudioLibrary::controlLockWaits() const {
    const ControlLockWaits& w = impl_->settings->controlWaits;
    return {w.acquisitions.load(), w.waited.load(), w.overOneMs.load(),
            static_cast<double>(w.worstNs.load()) / 1e6};
}

int AudioLibrary::getConfig(AudioOption option) const {
    Impl& d = *impl_;
    switch (option) {
    case AudioOption::BufferMs:
        return d.settings->bufferMs;
    case AudioOption::UpdatePeriodMs:
        return d.settings->updatePeriodMs;
    case AudioOption::MaxVolume:
        return d.settings->maxVolume;
    }
    return d.fail(AudioError::Parameter, -1);
}

std::optional<std::string> AudioLibrary::GetDeviceDescription(int device) {
    Impl& d = *impl_;
    using Kind = OutputSelection::Kind;
    std::optional<std::string> result;
    if (device == 0) {
        result = "No sound";
    } else if (d.selection.kind == Kind::Null) {
        if (device == 1)
            result = "Null output";
    } else if (d.selection.kind == Kind::Wav) {
        if (device == 1)
            result = "WAV file " + d.selection.path;
    } else if (device == 1) {
        result = "Default output";
    } else if (device >= 2) {
        std::vector<SinkInfo> sinks;
        {
            std::lock_guard lock(d.sinkMutex);
            sinks = d.sinkCache;
        }
        // The window asks for 1, 2, 3, ... in turn: list the sinks afresh at the
        // first of them, and answer the rest from that list.
        if (device == 2 || sinks.empty()) {
            std::shared_ptr<PulseConnection> pulse;
            {
                std::lock_guard lock(d.deviceMutex);
                pulse = d.pulse;
            }
            AudioError error = AudioError::Ok;
            if (!pulse)
                pulse = PulseConnection::connect(d.options.pulseServer, kListTimeoutMs, error);
            sinks = pulse ? pulse->sinks(kListTimeoutMs) : std::vector<SinkInfo>{};
            std::lock_guard lock(d.sinkMutex);
            d.sinkCache = sinks;
        }
        if (static_cast<std::size_t>(device - 2) < sinks.size())
            result = sinks[static_cast<std::size_t>(device - 2)].description;
    }
    if (!result)
        return d.fail(AudioError::Device, std::optional<std::string>{});
    d.ok();
    return result;
}

AudioHandle AudioLibrary::StreamCreateFile(const std::string& path, std::uint32_t /*flags*/) {
    Impl& d = *impl_;
    if (d.closing)
        return d.fail(AudioError::NotInitialized, AudioHandle{0});
    AudioError error = AudioError::Ok;
    auto decoder = openFileDecoder(path, error);
    if (!decoder)
        return d.fail(error, AudioHandle{0});
    AudioHandle handle = d.insert({std::make_shared<DecoderStream>(std::move(decoder)), nullptr});
    d.ok();
    return handle;
}

AudioHandle AudioLibrary::StreamCreateURL(const std::string& url, std::uint64_t /*offset*/,
                                          std::uint32_t flags) {
    Impl& d = *impl_;
    if (d.closing)
        return d.fail(AudioError::NotInitialized, AudioHandle{0});
    if (!isHttpUrl(url))
        return d.fail(AudioError::FileOpen, AudioHandle{0});
    const std::uint64_t generation = d.frees.load();
    const int timeoutMs = std::max(d.options.streamTimeoutMs, 1);
    const auto deadline = UrlDownload::Clock::now() + std::chrono::milliseconds(timeoutMs);
    UrlDownload::Request request;
    request.url = url;
    request.metadata = (flags & kStreamMeta) != 0;
    request.connectTimeoutMs = timeoutMs;
    request.ringBytes = d.options.streamRingBytes;
    AudioError error = AudioError::Ok;
    std::shared_ptr<UrlDownload> download = UrlDownload::start(request, error);
    if (!download)
        return d.fail(error, AudioHandle{0});
    {
        std::lock_guard lock(d.connectMutex);
        std::erase_if(d.connecting, [](const auto& w) { return w.expired(); });
        d.connecting.push_back(download);
    }
    if (d.frees.load() != generation)
        download->cancel(); // Free came first: it could not see us yet
    auto decoder = openUrlDecoder(download, deadline, error);
    {
        std::lock_guard lock(d.connectMutex);
        std::erase_if(d.connecting, [&](const auto& w) {
            return w.expired() || !(w.owner_before(download) || download.owner_before(w));
        });
    }
    download.reset(); // the decoder holds it now, if there is one
    if (!decoder)
        return d.fail(error, AudioHandle{0});
    const AudioHandle handle = d.insertUnlessFreed(
        {std::make_shared<DecoderStream>(std::move(decoder)), nullptr}, generation);
    if (handle == 0)
        return d.fail(AudioError::NotInitialized, AudioHandle{0});
    d.ok();
    return handle;
}

AudioHandle AudioLibrary::StreamCreate(std::uint32_t rate, std::uint32_t channels,
                                       std::uint32_t /*flags*/, StreamFillProc fill) {
    Impl& d = *impl_;
    if (!fill)
        return d.fail(AudioError::Parameter, AudioHandle{0});
    if (rate < kMinRate || rate > kMaxRate)
        return d.fail(AudioError::BadRate, AudioHandle{0});
    if (channels < 1 || channels > 8)
        return d.fail(AudioError::SampleFormat, AudioHandle{0});
    auto device = d.currentDevice();
    if (!device || d.closing)
        return d.fail(AudioError::NotInitialized, AudioHandle{0});
    const PcmFormat format{rate, channels};
    AudioHandle handle = d.insertWith([&](AudioHandle h) {
        return Channel{nullptr,
                       std::make_shared<OutputStream>(h, format, std::move(fill), std::move(device),
                                                      d.settings, d.feeders)};
    });
    d.ok();
    return handle;
}

bool AudioLibrary::StreamPlay(AudioHandle handle) {
    return impl_->onOutput(handle, [](OutputStream& o, AudioError& e) { return o.play(e); });
}

bool AudioLibrary::streamCue(AudioHandle handle) {
    return impl_->onOutput(handle, [](OutputStream& o, AudioError& e) { return o.cue(e); });
}

bool AudioLibrary::StreamFree(AudioHandle handle) {
    Impl& d = *impl_;
    Channel c = d.remove(handle);
    if (!c)
        return d.fail(AudioError::BadHandle, false);
    if (c.output)
        c.output->shutdown();
    d.ok();
    return true;
}

} // namespace kesto
