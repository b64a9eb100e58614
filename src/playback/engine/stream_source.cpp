#include "playback/engine/stream_source.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace kesto {

StreamRing::StreamRing(std::size_t capacity)
    : capacity_(std::max<std::size_t>(capacity, 1)),
      bytes_(std::make_unique<std::uint8_t[]>(capacity_)) {}

bool StreamRing::write(const std::uint8_t* data, std::size_t size) {
    std::unique_lock lock(mutex_);
    while (size > 0) {
        writable_.wait(lock, [&] { return cancelled_.load() || fill_ < capacity_; });
        if (cancelled_.load())
            return false;
        const std::size_t tail = (head_ + fill_) % capacity_;
        const std::size_t run =
            std::min({size, capacity_ - fill_, capacity_ - tail}); // up to the wrap
        std::memcpy(bytes_.get() + tail, data, run);
        fill_ += run;
        data += run;
        size -= run;
        written_.fetch_add(run);
        readable_.notify_one();
    }
    return true;
}

void StreamRing::finish() {
    {
        std::lock_guard lock(mutex_);
        finished_ = true;
    }
    readable_.notify_all();
}

void StreamRing::cancel() {
    {
        std::lock_guard lock(mutex_);
        cancelled_.store(true);
        finished_ = true;
    }
    readable_.notify_all();
    writable_.notify_all();
}

std::size_t StreamRing::copyOut(std::uint8_t* data, std::size_t size) const {
    const std::size_t n = std::min(size, fill_);
    const std::size_t first = std::min(n, capacity_ - head_);
    std::memcpy(data, bytes_.get() + head_, first);
    std::memcpy(data + first, bytes_.get(), n - first);
    return n;
}

std::size_t StreamRing::read(std::uint8_t* data, std::size_t size, Clock::time_point until) {
    if (size == 0)
        return 0;
    std::unique_lock lock(mutex_);
    readable_.wait_until(lock, until, [&] { return fill_ > 0 || finished_; });
    if (cancelled_.load())
        return 0;
    const std::size_t n = copyOut(data, size);
    head_ = (head_ + n) % capacity_;
    fill_ -= n;
    taken_.fetch_add(n);
    if (n > 0)
        writable_.notify_one();
    return n;
}

std::size_t StreamRing::peek(std::uint8_t* data, std::size_t size, Clock::time_point until) {
    size = std::min(size, capacity_);
    std::unique_lock lock(mutex_);
    readable_.wait_until(lock, until, [&] { return fill_ >= size || finished_; });
    if (cancelled_.load())
        return 0;
    return copyOut(data, size);
}

bool StreamRing::finished() const {
    std::lock_guard lock(mutex_);
    return finished_;
}

bool StreamRing::exhausted() const {
    std::lock_guard lock(mutex_);
    return finished_ && (fill_ == 0 || cancelled_.load());
}

std::int64_t StreamSource::read(void* buffer, std::size_t size) {
    const std::size_t n = ring_->read(static_cast<std::uint8_t*>(buffer), size, until_);
    offset_ += static_cast<std::int64_t>(n);
    return static_cast<std::int64_t>(n);
}

std::int64_t StreamSource::seek(std::int64_t offset, int whence) {
    if ((whence == SEEK_CUR && offset == 0) || (whence == SEEK_SET && offset == offset_))
        return offset_;
    return -1;
}

} // namespace kesto
