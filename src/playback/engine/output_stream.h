#pragma once

// The callback-fed output stream.
//
// A feeder thread (one per stream from the first Play, lent by FeederThreads) keeps the
// stream's buffer filled: every update period it asks the fill callback for
// the block the buffer has room for, lets the DSP hooks see it, and appends
// it. The device channel pulls from the buffer on its own schedule, applying
// the volume as it goes. The position is what the device reports as played.
//
// Locks, in the order they may be taken:
//   control_   (recursive) — the play state, the device channel, the DSP list.
//              The feeder holds it while it calls the fill callback and the
//              DSPs, so a Stop, Free or RemoveDSP from another thread returns
//              only once no callback is running, and none starts until the
//              next Play. Calls from inside the callback re-enter it on the
//              same thread instead of deadlocking.
//   the device's own lock (PulseAudio's loop lock, a clocked channel's mutex)
//   channelMutex_, wakeMutex_, the buffer's lock — leaves, held briefly.
// The device threads never take control_, so tearing a channel down while
// holding it cannot deadlock. Position, state, volume and the level read-out
// never take control_, so the UI never waits for a callback to poll them.

#include "playback/engine/audio_types.h"
#include "playback/engine/feeder_threads.h"
#include "playback/engine/library_settings.h"
#include "playback/engine/output_device.h"
#include "playback/engine/playback_buffer.h"

#include <atomic>
#include <condition_variable>
#include <list>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace kesto {

class OutputStream final : public PcmSource, public std::enable_shared_from_this<OutputStream> {
public:
    OutputStream(AudioHandle handle, const PcmFormat& format, StreamFillProc fill,
                 std::shared_ptr<OutputDevice> device, std::shared_ptr<LibrarySettings> settings,
                 FeederThreads& threads);
    ~OutputStream() override;
    OutputStream(const OutputStream&) = delete;
    OutputStream& operator=(const OutputStream&) = delete;

    const PcmFormat& format() const { return format_; }

    // Play starts from an empty buffer when stopped (or ended) and resumes when paused.
    bool play(AudioError& error);
    bool pause(AudioError& error);
    // A stopped (or ended) output is readied at its start, paused, without a
    // sound; any other state is left as it is.
    bool cue(AudioError& error);
    bool resume(AudioError& error);
    bool stop();
    // Ends the stream for good. Returns once no callback runs, unless called
    // from the stream's own callback, which may then finish undisturbed.
    void shutdown();

    ChannelState state() const;
    std::int64_t bytePosition() const;
    // The samples being heard now, without consuming them; 0 bytes unless playing.
    std::size_t peek(void* dst, std::size_t size) const;

    void setGain(double gain) { buffer_.setGain(gain); }
    void slideVolume(double gain, int ms);
    double gain() const { return buffer_.gain(); }

    void addDsp(AudioHandle dsp, DspProc proc, int priority);
    bool removeDsp(AudioHandle dsp);

    // PcmSource, for the device channel
    std::size_t pull(std::uint8_t* dst, std::size_t max, bool& drained) override;
    void deviceDrained() override;
    void deviceFailed() override;
    // The output stopped because its device failed; cleared by the next play or stop.
    bool deviceLost() const { return deviceLost_.load(); }

private:
    enum class Wake { Idle, Periodic, Now };

    void kick();
    void feederLoop();
    Wake work();
    void runDsps(std::uint8_t* data, std::size_t size);
    void startChannel();
    void releaseChannel(std::int64_t keepPosition);
    // From the start again in `state`, with an empty buffer and the device let go.
    void restartAtZero(ChannelState state);
    void absorbDrain();
    void publish(ChannelState state);

    const AudioHandle handle_;
    const PcmFormat format_;
    const StreamFillProc fill_;
    const std::shared_ptr<OutputDevice> device_;
    const std::shared_ptr<LibrarySettings> settings_;
    FeederThreads& threads_;

    mutable std::recursive_mutex control_;
    // The control lock as callers from outside the feeder take it: counted,
    // and timed when it is found taken.
    std::unique_lock<std::recursive_mutex> lockFromOutside();
    // Guarded by control_:
    ChannelState state_ = ChannelState::Stopped; // Playing, Paused or Stopped
    std::uint64_t serial_ = 0;                   // changes with every stop and start
    bool freed_ = false;
    struct Dsp {
        AudioHandle handle;
        int priority;
        DspProc proc;
        bool removed;
    };
    std::list<Dsp> dsps_;
    int dspDepth_ = 0;
    std::vector<std::uint8_t> scratch_; // the block handed to the callback
    std::shared_ptr<FeederJob> feeder_; // the running feeder loop, from the first Play

    mutable std::mutex channelMutex_;
    // Guarded by channelMutex_ (written with control_ held as well):
    std::shared_ptr<DeviceChannel> channel_;
    std::int64_t lastPosition_ = 0;

    std::mutex wakeMutex_;
    std::condition_variable wakeCv_;
    // Guarded by wakeMutex_:
    bool wakeRequested_ = false;
    bool quit_ = false;

    std::atomic<int> publicState_{0};
    std::atomic<bool> drained_{false};
    std::atomic<bool> deviceLost_{false};

    // Pause and Resume from another thread while the fill callback runs do
    // not wait for it: they pause or unpause the device at once, publish the
    // new state, and leave it here for the feeder to take into state_ as soon
    // as the callback returns. kNoPending when nothing waits.
    static constexpr int kNoPending = -1;
    std::atomic<int> pendingState_{kNoPending};
    std::atomic<bool> feederInCallback_{false};
    bool deferState(ChannelState target, AudioError& error);
    void applyPendingState();

    PlaybackBuffer buffer_;
};

} // namespace kesto
