#include "playback/engine/clocked_device.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace kesto {

namespace {

using Clock = std::chrono::steady_clock;

// After a stall of the whole process a real device drops what it missed
// rather than rushing it out; so do we, past this many late ticks.
constexpr int kMaxCatchUpTicks = 10;

class ClockedChannel final : public DeviceChannel {
public:
    ClockedChannel(const PcmFormat& format, PcmSource& source,
                   std::shared_ptr<WavFileWriter> writer, bool fast)
        : source_(source), writer_(std::move(writer)), fast_(fast),
          periodBytes_(static_cast<std::size_t>(format.bytesFor(ClockedDevice::kPeriodMs))),
          block_(periodBytes_) {}

    ~ClockedChannel() override {
        {
            std::lock_guard lock(mutex_);
            quit_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable())
            thread_.join();
    }

    void start() override {
        if (!fast_)
            thread_ = std::thread([this] { run(); });
    }

    void setPaused(bool paused) override {
        {
            std::lock_guard lock(mutex_);
            paused_ = paused;
        }
        wake_.notify_all();
    }

    std::int64_t playedBytes() override { return played_.load(std::memory_order_acquire); }

    bool feederDriven() const override { return fast_; }

    void advance(std::int64_t bytes) override {
        pending_ += bytes;
        while (pending_ >= static_cast<std::int64_t>(periodBytes_) && !drained_) {
            pending_ -= static_cast<std::int64_t>(periodBytes_);
            tick();
        }
    }

private:
    // One period: take up to 10 ms of audio and play it into the sink.
    void tick() {
        bool drained = false;
        const std::size_t n = source_.pull(block_.data(), periodBytes_, drained);
        if (n > 0 && writer_)
            writer_->write(block_.data(), n);
        // Counted only once the bytes are out, so the position never runs ahead.
        played_.fetch_add(static_cast<std::int64_t>(n), std::memory_order_acq_rel);
        if (drained && !drained_) {
            drained_ = true;
            source_.deviceDrained();
        }
    }

    void run() {
        const auto period = std::chrono::milliseconds(ClockedDevice::kPeriodMs);
        auto next = Clock::now();
        std::unique_lock lock(mutex_);
        while (!quit_) {
            if (drained_) {
                wake_.wait(lock, [&] { return quit_; });
                break;
            }
            if (paused_) {
                wake_.wait(lock, [&] { return quit_ || !paused_; });
                next = Clock::now();
                continue;
            }
            if (wake_.wait_until(lock, next, [&] { return quit_ || paused_; }))
                continue;
            lock.unlock();
            int ticks = 0;
            while (next <= Clock::now() && ticks < kMaxCatchUpTicks && !drained_) {
                tick();
                next += period;
                ++ticks;
            }
            if (ticks == kMaxCatchUpTicks)
                next = Clock::now() + period;
            lock.lock();
        }
    }

    PcmSource& source_;
    std::shared_ptr<WavFileWriter> writer_;
    const bool fast_;
    const std::size_t periodBytes_;
    std::atomic<std::int64_t> played_{0};

    // The ticking thread's own (or the feeder's, in fast mode):
    std::vector<std::uint8_t> block_;
    std::int64_t pending_ = 0;
    bool drained_ = false;

    std::mutex mutex_;
    std::condition_variable wake_;
    // Guarded by mutex_:
    bool quit_ = false;
    bool paused_ = false;

    std::thread thread_;
};

} // namespace

std::unique_ptr<DeviceChannel> ClockedDevice::openChannel(const PcmFormat& format,
                                                          PcmSource& source, AudioError& error) {
    if (writer_ && !writer_->claim(format)) {
        error = AudioError::SampleFormat;
        return nullptr;
    }
    error = AudioError::Ok;
    return std::make_unique<ClockedChannel>(format, source, writer_, fast_);
}

std::int64_t ClockedDevice::latencyBytes(const PcmFormat& format) const {
    return format.bytesFor(kPeriodMs);
}

} // namespace kesto
