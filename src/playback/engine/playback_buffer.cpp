#include "playback/engine/playback_buffer.h"

#include <algorithm>
#include <cstring>

namespace kesto {

PlaybackBuffer::PlaybackBuffer(std::size_t bufferBytes, std::size_t historyBytes,
                               std::uint32_t frameBytes)
    : bufferBytes_(bufferBytes / frameBytes * frameBytes),
      historyBytes_(historyBytes / frameBytes * frameBytes), frameBytes_(frameBytes),
      data_(bufferBytes_ + historyBytes_ + frameBytes) {}

void PlaybackBuffer::reset() {
    std::lock_guard lock(mutex_);
    written_ = 0;
    consumed_ = 0;
    end_ = false;
    starved_ = false;
}

std::size_t PlaybackBuffer::space() const {
    std::lock_guard lock(mutex_);
    if (end_)
        return 0;
    const auto queued = static_cast<std::size_t>(written_ - consumed_);
    if (queued >= bufferBytes_)
        return 0;
    return (bufferBytes_ - queued) / frameBytes_ * frameBytes_;
}

void PlaybackBuffer::append(const std::uint8_t* data, std::size_t size, bool end) {
    std::lock_guard lock(mutex_);
    // Never overwrite the history behind the device's read point.
    const auto queued = static_cast<std::size_t>(written_ - consumed_);
    size = std::min(size, bufferBytes_ + frameBytes_ - std::min(queued, bufferBytes_));
    const std::size_t capacity = data_.size();
    std::size_t at = static_cast<std::size_t>(written_ % static_cast<std::int64_t>(capacity));
    std::size_t first = std::min(size, capacity - at);
    std::memcpy(data_.data() + at, data, first);
    std::memcpy(data_.data(), data + first, size - first);
    written_ += static_cast<std::int64_t>(size);
    if (size > 0)
        starved_ = false;
    if (end)
        end_ = true;
}

bool PlaybackBuffer::endQueued() const {
    std::lock_guard lock(mutex_);
    return end_;
}

void PlaybackBuffer::copyOut(std::int64_t at, std::uint8_t* dst, std::size_t size) const {
    const std::size_t capacity = data_.size();
    std::size_t from = static_cast<std::size_t>(at % static_cast<std::int64_t>(capacity));
    std::size_t first = std::min(size, capacity - from);
    std::memcpy(dst, data_.data() + from, first);
    std::memcpy(dst + first, data_.data(), size - first);
}

PullResult PlaybackBuffer::pull(std::uint8_t* dst, std::size_t max) {
    std::lock_guard lock(mutex_);
    const auto queued = static_cast<std::size_t>(written_ - consumed_);
    const std::size_t n = std::min(max, queued) / frameBytes_ * frameBytes_;
    PullResult result;
    if (n == 0) {
        starved_ = !end_;
        result.drained = end_;
        return result;
    }
    copyOut(consumed_, dst, n);
    consumed_ += static_cast<std::int64_t>(n);
    const std::uint32_t channels = frameBytes_ / 2;
    // The buffer hands out whole frames only, so dst holds aligned 16-bit samples.
    volume_.apply(reinterpret_cast<std::int16_t*>(dst), static_cast<std::int64_t>(n / frameBytes_),
                  channels);
    result.bytes = n;
    result.drained = end_ && static_cast<std::size_t>(written_ - consumed_) < frameBytes_;
    return result;
}

bool PlaybackBuffer::starved() const {
    std::lock_guard lock(mutex_);
    return starved_;
}

std::size_t PlaybackBuffer::peek(std::int64_t at, std::uint8_t* dst, std::size_t size) const {
    std::lock_guard lock(mutex_);
    const std::int64_t oldest =
        std::max<std::int64_t>(0, std::max(written_ - static_cast<std::int64_t>(data_.size()),
                                           consumed_ - static_cast<std::int64_t>(historyBytes_)));
    if (at < oldest || at >= written_)
        return 0;
    const std::size_t n = std::min<std::size_t>(size, static_cast<std::size_t>(written_ - at));
    copyOut(at, dst, n);
    return n;
}

std::int64_t PlaybackBuffer::written() const {
    std::lock_guard lock(mutex_);
    return written_;
}

std::int64_t PlaybackBuffer::consumed() const {
    std::lock_guard lock(mutex_);
    return consumed_;
}

void PlaybackBuffer::setGain(double gain) {
    std::lock_guard lock(mutex_);
    volume_.set(gain);
}

void PlaybackBuffer::slideGain(double target, std::int64_t frames) {
    std::lock_guard lock(mutex_);
    volume_.slide(target, frames);
}

double PlaybackBuffer::gain() const {
    std::lock_guard lock(mutex_);
    return volume_.gain();
}

} // namespace kesto
