#include "playback/engine/byte_source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace kesto {

std::unique_ptr<FileSource> FileSource::open(const std::string& path, AudioError& error) {
    // O_NONBLOCK keeps open() from waiting on a FIFO without a writer; the
    // regular-file check below refuses it anyway.
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) {
        error = AudioError::FileOpen;
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        error = AudioError::FileOpen;
        return nullptr;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0)
        ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    error = AudioError::Ok;
    return std::unique_ptr<FileSource>(new FileSource(fd, static_cast<std::int64_t>(st.st_size)));
}

FileSource::~FileSource() {
    ::close(fd_);
}

std::int64_t FileSource::readFile(void* buffer, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(fd_, buffer, size);
        if (n >= 0 || errno != EINTR)
            return n;
    }
}

std::int64_t FileSource::read(void* buffer, std::size_t size) {
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        if (used_ == buffered_) {
            std::int64_t n = 0;
            if (size - done >= kChunk) {
                // A large read gains nothing from the buffer.
                n = readFile(out + done, size - done);
                if (n > 0) {
                    done += static_cast<std::size_t>(n);
                    offset_ += n;
                    continue;
                }
            } else {
                if (!buffer_)
                    buffer_ = std::make_unique<unsigned char[]>(kChunk);
                n = readFile(buffer_.get(), kChunk);
                buffered_ = used_ = 0;
                if (n > 0) {
                    buffered_ = static_cast<std::size_t>(n);
                    continue;
                }
            }
            if (n < 0 && done == 0)
                return -1;
            break; // the end, or an error the next read reports
        }
        const std::size_t take = std::min(size - done, buffered_ - used_);
        std::memcpy(out + done, buffer_.get() + used_, take);
        used_ += take;
        done += take;
        offset_ += static_cast<std::int64_t>(take);
    }
    return static_cast<std::int64_t>(done);
}

std::int64_t FileSource::seek(std::int64_t offset, int whence) {
    if (whence == SEEK_SET || whence == SEEK_CUR) {
        const std::int64_t base = whence == SEEK_CUR ? offset_ : 0;
        if ((offset > 0 && base > INT64_MAX - offset) || base + offset < 0)
            return -1;
        // Within what is buffered: move in the buffer.
        const std::int64_t target = base + offset;
        const std::int64_t bufferStart = offset_ - static_cast<std::int64_t>(used_);
        if (target >= bufferStart && target <= bufferStart + static_cast<std::int64_t>(buffered_)) {
            used_ = static_cast<std::size_t>(target - bufferStart);
            offset_ = target;
            return target;
        }
        offset = target;
        whence = SEEK_SET;
    }
    const off_t r = ::lseek(fd_, static_cast<off_t>(offset), whence);
    if (r < 0)
        return -1;
    buffered_ = used_ = 0;
    offset_ = r;
    return r;
}

std::int64_t MemorySource::read(void* buffer, std::size_t size) {
    std::int64_t left = this->size() - offset_;
    if (left <= 0)
        return 0;
    auto n =
        static_cast<std::size_t>(std::min<std::int64_t>(left, static_cast<std::int64_t>(size)));
    std::memcpy(buffer, bytes_.data() + offset_, n);
    offset_ += static_cast<std::int64_t>(n);
    return static_cast<std::int64_t>(n);
}

std::int64_t MemorySource::seek(std::int64_t offset, int whence) {
    std::int64_t base = whence == SEEK_CUR ? offset_ : whence == SEEK_END ? size() : 0;
    if (offset > 0 && base > INT64_MAX - offset)
        return -1;
    std::int64_t target = base + offset;
    if (target < 0)
        return -1;
    offset_ = target;
    return target;
}

std::size_t readFully(ByteSource& source, void* buffer, std::size_t size) {
    auto* out = static_cast<unsigned char*>(buffer);
    std::size_t done = 0;
    while (done < size) {
        std::int64_t n = source.read(out + done, size - done);
        if (n <= 0)
            break;
        done += static_cast<std::size_t>(n);
    }
    return done;
}

} // namespace kesto
