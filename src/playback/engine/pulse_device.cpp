#include "playback/engine/pulse_device.h"

#include <algorithm>
#include <pulse/pulseaudio.h>

namespace kesto {

namespace {

// Pulls from the output stream whenever the server asks for data. Every
// member is touched only with the loop lock held (callbacks hold it already).
class PulseChannel final : public DeviceChannel {
public:
    PulseChannel(std::shared_ptr<PulseConnection> connection, const PcmFormat& format,
                 PcmSource& source)
        : connection_(std::move(connection)), format_(format), source_(source) {}

    ~PulseChannel() override {
        PulseLock lock(connection_->loop());
        if (!stream_)
            return;
        pa_stream_set_write_callback(stream_, nullptr, nullptr);
        pa_stream_set_state_callback(stream_, nullptr, nullptr);
        if (drainOp_) {
            pa_operation_cancel(drainOp_);
            pa_operation_unref(drainOp_);
        }
        pa_stream_disconnect(stream_);
        pa_stream_unref(stream_);
    }

    bool open(const std::string& sink) {
        PulseLock lock(connection_->loop());
        pa_sample_spec spec{PA_SAMPLE_S16LE, format_.rate,
                            static_cast<std::uint8_t>(format_.channels)};
        pa_channel_map map;
        if (!pa_sample_spec_valid(&spec) ||
            !pa_channel_map_init_auto(&map, format_.channels, PA_CHANNEL_MAP_WAVEEX))
            return false;
        stream_ = pa_stream_new(connection_->context(), "Kesto", &spec, &map);
        if (!stream_)
            return false;
        pa_stream_set_write_callback(stream_, onWrite, this);
        pa_stream_set_state_callback(stream_, onState, this);
        sinkName_ = sink;
        return true;
    }

    void start() override {
        PulseLock lock(connection_->loop());
        pa_buffer_attr attr;
        attr.maxlength = static_cast<std::uint32_t>(-1);
        attr.tlength = static_cast<std::uint32_t>(format_.bytesFor(PulseDevice::kTargetLatencyMs));
        attr.prebuf = static_cast<std::uint32_t>(-1);
        attr.minreq =
            static_cast<std::uint32_t>(format_.bytesFor(PulseDevice::kTargetLatencyMs / 4));
        attr.fragsize = static_cast<std::uint32_t>(-1);
        const auto flags = static_cast<pa_stream_flags_t>(
            PA_STREAM_INTERPOLATE_TIMING | PA_STREAM_AUTO_TIMING_UPDATE | PA_STREAM_ADJUST_LATENCY |
            (paused_ ? PA_STREAM_START_CORKED : 0));
        if (pa_stream_connect_playback(stream_, sinkName_.empty() ? nullptr : sinkName_.c_str(),
                                       &attr, flags, nullptr, nullptr) < 0)
            fail();
    }

    void setPaused(bool paused) override {
        PulseLock lock(connection_->loop());
        paused_ = paused;
        if (pa_stream_get_state(stream_) != PA_STREAM_READY)
            return;
        if (pa_operation* op = pa_stream_cork(stream_, paused ? 1 : 0, nullptr, nullptr))
            pa_operation_unref(op);
        if (!paused)
            fill(pa_stream_writable_size(stream_));
    }

    void dataAdded() override {
        PulseLock lock(connection_->loop());
        if (pa_stream_get_state(stream_) == PA_STREAM_READY && !paused_)
            fill(pa_stream_writable_size(stream_));
    }

    std::int64_t playedBytes() override {
        PulseLock lock(connection_->loop());
        pa_usec_t usec = 0;
        if (pa_stream_get_state(stream_) == PA_STREAM_READY &&
            pa_stream_get_time(stream_, &usec) == 0) {
            const auto frames = static_cast<std::int64_t>(usec * format_.rate / 1000000);
            // The clock interpolates; the bytes we handed over are the hard limit.
            played_ = std::clamp(frames * format_.frameBytes(), played_, written_);
        }
        return played_;
    }

private:
    static void onWrite(pa_stream*, size_t bytes, void* self) {
        static_cast<PulseChannel*>(self)->fill(bytes);
    }

    static void onState(pa_stream* s, void* self) {
        auto* channel = static_cast<PulseChannel*>(self);
        pa_stream_state_t state = pa_stream_get_state(s);
        if (state == PA_STREAM_FAILED || state == PA_STREAM_TERMINATED)
            channel->fail();
    }

    static void onDrained(pa_stream*, int, void* self) {
        auto* channel = static_cast<PulseChannel*>(self);
        if (channel->drainOp_) {
            pa_operation_unref(channel->drainOp_);
            channel->drainOp_ = nullptr;
        }
        // Drained means heard to the end, whatever the interpolating clock
        // last said: the stream's position must come out whole.
        channel->played_ = channel->written_;
        channel->finish();
    }

    // The server lost us: there is nobody left to play to, so the stream
    // stops, as a failure rather than an end.
    void fail() {
        if (finished_)
            return;
        finished_ = true;
        source_.deviceFailed();
    }

    void finish() {
        if (finished_)
            return;
        finished_ = true;
        source_.deviceDrained();
    }

    void fill(size_t bytes) {
        const std::size_t frame = format_.frameBytes();
        while (bytes >= frame && !draining_ && !finished_) {
            void* data = nullptr;
            size_t size = bytes;
            if (pa_stream_begin_write(stream_, &data, &size) < 0 || !data)
                return;
            size = std::min(size, bytes) / frame * frame;
            bool drained = false;
            const std::size_t got = source_.pull(static_cast<std::uint8_t*>(data), size, drained);
            if (got > 0) {
                pa_stream_write(stream_, data, got, nullptr, 0, PA_SEEK_RELATIVE);
                written_ += static_cast<std::int64_t>(got);
                bytes -= got;
            } else {
                pa_stream_cancel_write(stream_);
            }
            if (drained) {
                draining_ = true;
                drainOp_ = pa_stream_drain(stream_, onDrained, this);
                if (!drainOp_)
                    finish();
                return;
            }
            if (got < size)
                return; // nothing more buffered: the feeder will tell us when there is
        }
    }

    std::shared_ptr<PulseConnection> connection_;
    const PcmFormat format_;
    PcmSource& source_;
    // Guarded by the loop lock:
    pa_stream* stream_ = nullptr;
    std::string sinkName_;
    pa_operation* drainOp_ = nullptr;
    bool paused_ = false;
    bool draining_ = false;
    bool finished_ = false;
    std::int64_t written_ = 0;
    std::int64_t played_ = 0;
};

} // namespace

std::unique_ptr<DeviceChannel> PulseDevice::openChannel(const PcmFormat& format, PcmSource& source,
                                                        AudioError& error) {
    auto channel = std::make_unique<PulseChannel>(connection_, format, source);
    if (!channel->open(sink_)) {
        error = AudioError::SampleFormat;
        return nullptr;
    }
    error = AudioError::Ok;
    return channel;
}

std::int64_t PulseDevice::latencyBytes(const PcmFormat& format) const {
    // Servers may grant more than asked; keep room for twice the target.
    return format.bytesFor(2 * kTargetLatencyMs);
}

} // namespace kesto
