#include "playback/engine/output_stream.h"

#include <algorithm>
#include <chrono>

namespace kesto {

namespace {

using Clock = std::chrono::steady_clock;

// A buffer shorter than two update periods would run dry between two fills.
std::size_t bufferBytesFor(const PcmFormat& format, const LibrarySettings& settings) {
    const int ms = std::max(settings.bufferMs.load(), 2 * settings.updatePeriodMs.load());
    return static_cast<std::size_t>(format.bytesFor(ms));
}

// One wake fills at most four update periods, so the first fill after Play
// (and any catching up) is spread over a few wakes and sound starts quickly.
constexpr int kPeriodsPerFill = 4;

} // namespace

OutputStream::OutputStream(AudioHandle handle, const PcmFormat& format, StreamFillProc fill,
                           std::shared_ptr<OutputDevice> device,
                           std::shared_ptr<LibrarySettings> settings, FeederThreads& threads)
    : handle_(handle), format_(format), fill_(std::move(fill)), device_(std::move(device)),
      settings_(std::move(settings)), threads_(threads),
      buffer_(bufferBytesFor(format_, *settings_),
              static_cast<std::size_t>(device_->latencyBytes(format_) + format_.bytesFor(50)),
              format_.frameBytes()) {
    scratch_.resize(bufferBytesFor(format_, *settings_));
}

// shutdown() has run: the library calls it before letting go of a stream.
OutputStream::~OutputStream() = default;

void OutputStream::publish(ChannelState state) {
    state_ = state;
    publicState_.store(static_cast<int>(state), std::memory_order_release);
}

bool OutputStream::deferState(ChannelState target, AudioError& error) {
    // Only from Playing to Paused and back: anything else (a stream that
    // ended, was stopped or freed) takes the ordinary way under the lock.
    const auto from = target == ChannelState::Paused ? ChannelState::Playing : ChannelState::Paused;
    int expected = static_cast<int>(from);
    if (!publicState_.compare_exchange_strong(expected, static_cast<int>(target)))
        return false;
    pendingState_.store(static_cast<int>(target));
    std::shared_ptr<DeviceChannel> channel;
    {
        std::lock_guard cl(channelMutex_);
        channel = channel_;
    }
    if (channel)
        channel->setPaused(target == ChannelState::Paused);
    if (target == ChannelState::Playing)
        kick();
    error = AudioError::Ok;
    return true;
}

void OutputStream::applyPendingState() {
    const int pending = pendingState_.exchange(kNoPending);
    if (pending == kNoPending)
        return;
    // The device was told already; the play state catches up, unless the
    // callback itself stopped or restarted the stream meanwhile.
    const auto target = static_cast<ChannelState>(pending);
    if ((target == ChannelState::Paused && state_ == ChannelState::Playing) ||
        (target == ChannelState::Playing && state_ == ChannelState::Paused))
        state_ = target;
    publish(state_);
}

std::unique_lock<std::recursive_mutex> OutputStream::lockFromOutside() {
    ControlLockWaits& w = settings_->controlWaits;
    w.acquisitions.fetch_add(1, std::memory_order_relaxed);
    std::unique_lock lock(control_, std::try_to_lock);
    if (lock.owns_lock()) {
        applyPendingState();
        return lock;
    }
    const auto started = Clock::now();
    lock.lock();
    const std::int64_t ns =
        std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now() - started).count();
    w.waited.fetch_add(1, std::memory_order_relaxed);
    if (ns > 1000000)
        w.overOneMs.fetch_add(1, std::memory_order_relaxed);
    std::int64_t worst = w.worstNs.load(std::memory_order_relaxed);
    while (ns > worst && !w.worstNs.compare_exchange_weak(worst, ns, std::memory_order_relaxed)) {
    }
    applyPendingState();
    return lock;
}

void OutputStream::kick() {
    {
        std::lock_guard lock(wakeMutex_);
        wakeRequested_ = true;
    }
    wakeCv_.notify_one();
}

bool OutputStream::play(AudioError& error) {
    auto lock = lockFromOutside();
    if (freed_) {
        error = AudioError::BadHandle;
        return false;
    }
    absorbDrain();
    if (state_ == ChannelState::Paused)
        return resume(error);
    error = AudioError::Ok;
    if (state_ == ChannelState::Playing)
        return true;
    restartAtZero(ChannelState::Playing);
    kick();
    return true;
}

bool OutputStream::cue(AudioError& error) {
    auto lock = lockFromOutside();
    if (freed_) {
        error = AudioError::BadHandle;
        return false;
    }
    absorbDrain();
    error = AudioError::Ok;
    if (state_ != ChannelState::Stopped)
        return true;
    // Nothing is decoded and nothing reaches the device before it resumes.
    // Playing and pausing at once instead lets the feeder and the device run
    // for a moment: audible while the listener has paused.
    restartAtZero(ChannelState::Paused);
    return true;
}

void OutputStream::restartAtZero(ChannelState state) {
    deviceLost_.store(false);
    releaseChannel(0);
    buffer_.reset();
    ++serial_;
    publish(state);
    if (!feeder_) {
        auto self = shared_from_this();
        feeder_ = threads_.run([self] { self->feederLoop(); });
    }
}

bool OutputStream::pause(AudioError& error) {
    if (feederInCallback_.load() && deferState(ChannelState::Paused, error))
        return true;
    auto lock = lockFromOutside();
    absorbDrain();
    if (freed_ || state_ == ChannelState::Stopped) {
        error = freed_ ? AudioError::BadHandle : AudioError::NotPlaying;
        return false;
    }
    error = AudioError::Ok;
    if (state_ == ChannelState::Paused)
        return true;
    publish(ChannelState::Paused);
    std::shared_ptr<DeviceChannel> channel;
    {
        std::lock_guard cl(channelMutex_);
        channel = channel_;
    }
    if (channel)
        channel->setPaused(true);
    return true;
}

bool OutputStream::resume(AudioError& error) {
    if (feederInCallback_.load() && deferState(ChannelState::Playing, error))
        return true;
    auto lock = lockFromOutside();
    absorbDrain();
    if (freed_ || state_ == ChannelState::Stopped) {
        error = freed_ ? AudioError::BadHandle : AudioError::NotPlaying;
        return false;
    }
    error = AudioError::Ok;
    if (state_ == ChannelState::Playing)
        return true;
    publish(ChannelState::Playing);
    std::shared_ptr<DeviceChannel> channel;
    {
        std::lock_guard cl(channelMutex_);
        channel = channel_;
    }
    if (channel)
        channel->setPaused(false);
    kick();
    return true;
}

bool OutputStream::stop() {
    auto lock = lockFromOutside();
    if (freed_)
        return false;
    drained_.store(false);
    deviceLost_.store(false);
    releaseChannel(0);
    buffer_.reset();
    ++serial_;
    publish(ChannelState::Stopped);
    return true;
}

void OutputStream::shutdown() {
    {
        auto lock = lockFromOutside();
        if (freed_)
            return;
        freed_ = true;
        releaseChannel(0);
        buffer_.reset();
        ++serial_;
        publish(ChannelState::Stopped);
        for (auto& dsp : dsps_)
            dsp.removed = true;
        if (dspDepth_ == 0)
            dsps_.clear();
    }
    {
        std::lock_guard lock(wakeMutex_);
        quit_ = true;
    }
    wakeCv_.notify_one();
    // Only this call touches feeder_ once freed_ is set. From inside our own
    // callback the loop ends by itself once the callback returns.
    if (feeder_ && !feeder_->runsHere())
        feeder_->wait();
}

// The device has played everything after the end: the stream stops with its
// position at the end, as if the device had been told to stop there.
void OutputStream::absorbDrain() {
    if (!drained_.exchange(false))
        return;
    if (state_ == ChannelState::Stopped)
        return;
    std::shared_ptr<DeviceChannel> channel;
    {
        std::lock_guard cl(channelMutex_);
        channel = channel_;
    }
    releaseChannel(channel ? channel->playedBytes() : 0);
    channel.reset();
    publish(ChannelState::Stopped);
}

void OutputStream::releaseChannel(std::int64_t keepPosition) {
    std::shared_ptr<DeviceChannel> old;
    {
        std::lock_guard cl(channelMutex_);
        old.swap(channel_);
        lastPosition_ = keepPosition;
    }
    // Tearing down waits for the device thread; it never needs control_.
    old.reset();
}

void OutputStream::startChannel() {
    AudioError error = AudioError::Ok;
    std::shared_ptr<DeviceChannel> channel = device_->openChannel(format_, *this, error);
    if (!channel) {
        // The device refused the stream after Play had said yes (a sound
        // server that has gone away does): stop it, so the player sees a
        // stopped output with its reason.
        deviceLost_.store(true);
        buffer_.reset();
        publish(ChannelState::Stopped);
        return;
    }
    if (state_ == ChannelState::Paused)
        channel->setPaused(true);
    {
        std::lock_guard cl(channelMutex_);
        channel_ = channel;
        lastPosition_ = 0;
    }
    channel->start();
}

void OutputStream::feederLoop() {
    std::unique_lock lock(wakeMutex_);
    Wake wake = Wake::Idle;
    auto next = Clock::now();
    while (!quit_) {
        if (wake == Wake::Idle)
            wakeCv_.wait(lock, [&] { return quit_ || wakeRequested_; });
        else if (wake == Wake::Periodic)
            wakeCv_.wait_until(lock, next, [&] { return quit_ || wakeRequested_; });
        if (quit_)
            break;
        wakeRequested_ = false;
        lock.unlock();
        const auto started = Clock::now();
        const Wake previous = wake;
        wake = work();
        // Keep a steady cadence while periodic; start a fresh one after a kick.
        const auto period = std::chrono::milliseconds(settings_->updatePeriodMs.load());
        if (previous == Wake::Periodic && next + period > started)
            next += period;
        else
            next = started + period;
        lock.lock();
    }
}

OutputStream::Wake OutputStream::work() {
    std::lock_guard lock(control_);
    applyPendingState();
    if (freed_)
        return Wake::Idle;
    absorbDrain();
    if (state_ != ChannelState::Playing)
        return Wake::Idle;

    const std::int64_t periodBytes = format_.bytesFor(settings_->updatePeriodMs.load());
    const std::size_t frame = format_.frameBytes();
    bool driven = false;
    {
        std::lock_guard cl(channelMutex_);
        driven = channel_ && channel_->feederDriven();
    }
    // A real device takes one period per callback, and the control lock is
    // let go between callbacks: a Stop or Pause from the UI thread then waits
    // for one period's decoding at most, not for a whole refill.
    const int periods = driven ? kPeriodsPerFill : 1;
    std::size_t want =
        std::min<std::size_t>(buffer_.space(), static_cast<std::size_t>(periods * periodBytes));
    want = std::min(want, scratch_.size()) / frame * frame;
    std::size_t delivered = 0;
    if (want > 0) {
        const std::uint64_t serial = serial_;
        feederInCallback_.store(true);
        const std::uint32_t result =
            fill_(handle_, scratch_.data(), static_cast<std::uint32_t>(want));
        feederInCallback_.store(false);
        applyPendingState();
        // The callback may have stopped, restarted or freed this very stream;
        // its block then belongs to a playback that no longer exists.
        if (freed_ || serial != serial_)
            return freed_ ? Wake::Idle : Wake::Now;
        const std::size_t got = std::min<std::size_t>(result & ~kStreamEnd, want);
        runDsps(scratch_.data(), got);
        if (freed_ || serial != serial_)
            return freed_ ? Wake::Idle : Wake::Now;
        buffer_.append(scratch_.data(), got, (result & kStreamEnd) != 0);
        delivered = got;
    }

    std::shared_ptr<DeviceChannel> channel;
    {
        std::lock_guard cl(channelMutex_);
        channel = channel_;
    }
    if (!channel) {
        // Started after the first fill, so the device never finds the buffer
        // empty at the outset; a callback with nothing to give stalls it at once.
        if (state_ == ChannelState::Playing)
            startChannel();
    } else {
        channel->dataAdded();
    }
    {
        std::lock_guard cl(channelMutex_);
        channel = channel_;
    }
    if (channel && channel->feederDriven()) {
        channel->advance(periodBytes);
        if (drained_.load())
            return Wake::Now;
        // Run on without waiting, unless the callback has nothing to give:
        // then wait like a real device would, instead of spinning.
        return buffer_.starved() ? Wake::Periodic : Wake::Now;
    }
    if (state_ == ChannelState::Stopped)
        return Wake::Idle;
    // Room for more: fill on at once, with the lock released in between.
    if (!driven && want > 0 && delivered == want && !buffer_.endQueued() &&
        buffer_.space() >= static_cast<std::size_t>(periodBytes))
        return Wake::Now;
    return Wake::Periodic;
}

void OutputStream::runDsps(std::uint8_t* data, std::size_t size) {
    if (dsps_.empty() || size == 0)
        return;
    ++dspDepth_;
    for (auto it = dsps_.begin(); it != dsps_.end(); ++it) {
        if (!it->removed)
            it->proc(it->handle, handle_, data, static_cast<std::uint32_t>(size));
    }
    if (--dspDepth_ == 0)
        dsps_.remove_if([](const Dsp& d) { return d.removed; });
}

void OutputStream::addDsp(AudioHandle dsp, DspProc proc, int priority) {
    std::lock_guard lock(control_);
    // Higher priorities run first; equal ones in the order they were set.
    auto at = std::find_if(dsps_.begin(), dsps_.end(),
                           [&](const Dsp& d) { return d.priority < priority; });
    dsps_.insert(at, Dsp{dsp, priority, std::move(proc), false});
}

bool OutputStream::removeDsp(AudioHandle dsp) {
    std::lock_guard lock(control_);
    for (auto it = dsps_.begin(); it != dsps_.end(); ++it) {
        if (it->handle != dsp || it->removed)
            continue;
        // Inside a DSP the list is being walked: mark now, erase after the walk.
        if (dspDepth_ > 0)
            it->removed = true;
        else
            dsps_.erase(it);
        return true;
    }
    return false;
}

void OutputStream::slideVolume(double gain, int ms) {
    buffer_.slideGain(gain, static_cast<std::int64_t>(format_.rate) * ms / 1000);
}

ChannelState OutputStream::state() const {
    auto s = static_cast<ChannelState>(publicState_.load(std::memory_order_acquire));
    if (s == ChannelState::Stopped || drained_.load())
        return ChannelState::Stopped;
    if (s == ChannelState::Playing && buffer_.starved())
        return ChannelState::Stalled;
    return s;
}

std::int64_t OutputStream::bytePosition() const {
    std::shared_ptr<DeviceChannel> channel;
    std::int64_t last = 0;
    {
        std::lock_guard cl(channelMutex_);
        channel = channel_;
        last = lastPosition_;
    }
    return channel ? channel->playedBytes() : last;
}

std::size_t OutputStream::peek(void* dst, std::size_t size) const {
    const ChannelState s = state();
    if (s != ChannelState::Playing && s != ChannelState::Stalled)
        return 0;
    size = size / format_.frameBytes() * format_.frameBytes();
    return buffer_.peek(bytePosition(), static_cast<std::uint8_t*>(dst), size);
}

std::size_t OutputStream::pull(std::uint8_t* dst, std::size_t max, bool& drained) {
    PullResult r = buffer_.pull(dst, max);
    drained = r.drained;
    return r.bytes;
}

void OutputStream::deviceDrained() {
    drained_.store(true);
    kick();
}

void OutputStream::deviceFailed() {
    // Lost before drained: whoever sees the stopped state sees the reason too.
    deviceLost_.store(true);
    deviceDrained();
}

} // namespace kesto
